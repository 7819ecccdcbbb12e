// Where a screen name's password is kept between runs: the desktop's keyring.
//
// Every request answers later, through its callback, and never blocks the
// window; a store that is never answered (a keyring waiting on its user) may
// never call back at all. The password passes only between the store and the
// caller: no answer carries it anywhere else.
#pragma once

#include <QString>
#include <functional>

#include "ServerAddress.h"

class SecretStore {
 public:
  struct Result {
    enum class Status { Done, NotStored, Failed };
    Status status = Status::Done;
    // The password found, for a read that is Done.
    QString password;
    // Why the store could not answer, for a Failed request.
    QString error;
  };
  using Answer = std::function<void(const Result&)>;

  virtual ~SecretStore() = default;
  virtual void Read(const QString& account, Answer answer) = 0;
  // Replaces any password stored for the account.
  virtual void Write(const QString& account, const QString& password, Answer answer) = 0;
  virtual void Remove(const QString& account, Answer answer) = 0;

  // The entry of a screen name on a server, as the keyring shows it:
  // NAME@HOST:PORT with the name normalized.
  static QString Account(const QString& name, const ServerAddress& server);
};
