// The desktop's keyring through QtKeychain: the freedesktop Secret Service
// on Linux desktops. Entries are under the service "Klaxo", one account each.
// A keyring that cannot be reached fails the request; nothing ever falls back
// to a file.
#pragma once

#include <QObject>

#include "SecretStore.h"

class KeychainSecretStore : public SecretStore {
 public:
  void Read(const QString& account, Answer answer) override;
  void Write(const QString& account, const QString& password, Answer answer) override;
  void Remove(const QString& account, Answer answer) override;

 private:
  // Requests answer through this object: once the store is gone, a request
  // still running finishes on its own and its answer goes nowhere.
  QObject answers_;
};
