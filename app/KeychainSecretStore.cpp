#include "KeychainSecretStore.h"

#include <qt6keychain/keychain.h>

#include <utility>

namespace {

const QString kService = QStringLiteral("Klaxo");

void Start(QKeychain::Job* job, const QString& account, QObject& answers, SecretStore::Answer answer) {
  job->setKey(account);
  job->setAutoDelete(true);
  job->setInsecureFallback(false);
  QObject::connect(job, &QKeychain::Job::finished, &answers, [answer = std::move(answer)](QKeychain::Job* done) {
    SecretStore::Result result;
    switch (done->error()) {
      case QKeychain::NoError:
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done)) result.password = read->textData();
        break;
      case QKeychain::EntryNotFound:
        result.status = SecretStore::Result::Status::NotStored;
        break;
      default:
        result.status = SecretStore::Result::Status::Failed;
        result.error = done->errorString();
        break;
    }
    answer(result);
  });
  job->start();
}

}  // namespace

void KeychainSecretStore::Read(const QString& account, Answer answer) {
  Start(new QKeychain::ReadPasswordJob(kService), account, answers_, std::move(answer));
}

void KeychainSecretStore::Write(const QString& account, const QString& password, Answer answer) {
  auto* job = new QKeychain::WritePasswordJob(kService);
  job->setTextData(password);
  Start(job, account, answers_, std::move(answer));
}

void KeychainSecretStore::Remove(const QString& account, Answer answer) {
  Start(new QKeychain::DeletePasswordJob(kService), account, answers_, std::move(answer));
}
