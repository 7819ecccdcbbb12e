// The alert's sound through libcanberra: the desktop sound theme's event
// for a new instant message, or a sound file the user chose. Playing does
// not wait for the sound. A sound that cannot be played is reported once
// through onFailed (with libcanberra's reason), and again only after one has
// played in between; it is never fatal.
#pragma once

#include <QString>
#include <functional>

struct ca_context;

class AlertSound {
 public:
  static constexpr const char* kThemeEvent = "message-new-instant";

  AlertSound();
  ~AlertSound();
  AlertSound(const AlertSound&) = delete;
  AlertSound& operator=(const AlertSound&) = delete;

  // An empty file plays the theme's event.
  void Play(const QString& file = {});

  std::function<void(const QString& reason)> onFailed;

 private:
  void Failed(const QString& reason);

  ca_context* context_ = nullptr;
  bool told_ = false;
};
