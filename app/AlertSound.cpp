#include "AlertSound.h"

#include <canberra.h>

#include <QFile>
#include <utility>

AlertSound::AlertSound() {
  if (ca_context_create(&context_) != CA_SUCCESS) context_ = nullptr;
}

AlertSound::~AlertSound() {
  if (context_) ca_context_destroy(context_);
}

void AlertSound::Play(const QString& file) {
  if (!context_) {
    Failed(QStringLiteral("libcanberra could not be set up"));
    return;
  }
  const QByteArray path = QFile::encodeName(file);
  const int result =
      file.isEmpty() ? ca_context_play(context_, 0, CA_PROP_EVENT_ID, kThemeEvent, CA_PROP_EVENT_DESCRIPTION,
                                       "Klaxo alert", CA_PROP_APPLICATION_NAME, "Klaxo", nullptr)
                     : ca_context_play(context_, 0, CA_PROP_MEDIA_FILENAME, path.constData(), CA_PROP_EVENT_DESCRIPTION,
                                       "Klaxo alert", CA_PROP_APPLICATION_NAME, "Klaxo", nullptr);
  if (result != CA_SUCCESS) {
    Failed(QString::fromUtf8(ca_strerror(result)));
    return;
  }
  told_ = false;
}

void AlertSound::Failed(const QString& reason) {
  if (std::exchange(told_, true)) return;
  if (onFailed) onFailed(QStringLiteral("The alert sound cannot be played: %1").arg(reason));
}
