// The people in the room as the chat console shows them: the view's rows of
// the room feed's one people list, filled from it and changed at once with
// it on every arrival and departure, also while an alert box is open, so
// that nothing about the people waits. The feed names each person once. It
// holds at most kMaxRoomSize entries; later arrivals are not listed.
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
  // The list becomes people, in its order.
  void Fill(const PeopleIndex& people);
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
