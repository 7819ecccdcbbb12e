// The people in the room as the chat console shows them: the one list that
// the console's view reads, changed at once on every arrival and departure,
// also while an alert box is open, so that nothing about the people waits.
// It holds at most kMaxRoomSize entries; later arrivals are not listed.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstddef>

#include "PeopleIndex.h"

class PeopleModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  void Clear();
  // False when the list is full and the name is not listed.
  bool Arrive(const QString& name);
  void Depart(const QString& name);
  // The name at row as delivered.
  [[nodiscard]] const QString& Name(int row) const;
  [[nodiscard]] int Count() const { return static_cast<int>(people_.Size()); }

  [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // Each name shown as one line.
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

 private:
  PeopleIndex people_;
};
