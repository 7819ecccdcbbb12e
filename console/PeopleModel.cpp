#include "PeopleModel.h"

#include "Functions.h"
#include "PeopleList.h"
#include "ShownLine.h"
#include "TextEdge.h"

namespace {

// The key under which the list knows a name: the normalized name.
std::string PersonKey(const QString& name) { return Normalize(ToWire(name)); }

}  // namespace

void PeopleModel::Clear() {
  // A room left again and again costs the view nothing once it is empty.
  if (Count() == 0) return;
  beginResetModel();
  people_.Clear();
  endResetModel();
}

void PeopleModel::Fill(const PeopleIndex& people) {
  beginResetModel();
  people_ = people;
  endResetModel();
}

bool PeopleModel::Arrive(const QString& name) {
  if (people_.Size() >= kMaxRoomSize) return false;
  const int row = Count();
  beginInsertRows(QModelIndex(), row, row);
  people_.Append(PersonKey(name), name);
  endInsertRows();
  return true;
}

void PeopleModel::Depart(const QString& name) {
  const std::string key = PersonKey(name);
  const auto row = people_.FirstRow(key);
  if (!row) return;
  const int at = static_cast<int>(*row);
  beginRemoveRows(QModelIndex(), at, at);
  people_.RemoveFirst(key);
  endRemoveRows();
}

const QString& PeopleModel::Name(int row) const { return people_.At(static_cast<std::size_t>(row)); }

int PeopleModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

QVariant PeopleModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return ShownLine(Name(index.row()));
  return {};
}
