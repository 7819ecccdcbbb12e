// The console's people list as it will stand once the work waiting behind an
// alert box has run.
//
// A room can churn without end while a box is open; what waits for the
// people list must grow with the room, not with its changes. So the changes
// are not kept: they are applied here as they come, with the list's own
// rules (an arrival is appended, a departure removes the first entry of that
// person, at most kMaxRoomSize entries), and the list takes the result once
// the waiting work has run.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

// The key under which a people list knows a name: the normalized name.
std::string PersonKey(const QString& name);

class WaitingPeople {
 public:
  // Starts from the list as it stands.
  explicit WaitingPeople(const QStringList& names = {});
  void Arrive(const QString& name);
  void Depart(const QString& name);
  [[nodiscard]] QStringList Names() const;
  // Where the entry that stood at this row of the starting list now stands;
  // none when it has gone.
  [[nodiscard]] std::optional<std::size_t> RowOf(std::size_t startingRow) const;
  // What the entries hold, roughly: their names, keys and tree nodes.
  [[nodiscard]] std::size_t Bytes() const { return bytes_; }

 private:
  static std::size_t EntryBytes(const QString& name);

  // The entries in list order, by a number that grows with each arrival.
  std::map<std::size_t, QString> inOrder_;
  // The same by key and number, so a person's first entry is found at once.
  std::set<std::pair<std::string, std::size_t>> byKey_;
  std::size_t next_ = 0;
  std::size_t starting_ = 0;
  std::size_t bytes_ = 0;
};
