#include "ui/platform/bBrowserModel.h"

#include <QRegularExpression>

#include "core/platform/CodePage.h"
#include "core/platform/DBServer.h"
#include "core/platform/FieldLayout.h"
#include "ui/platform/bDataColumn.h"
#include "ui/platform/bDataServer.h"

namespace fw {

bBrowserModel::bBrowserModel(QObject* parent) : QAbstractTableModel(parent) {}

void bBrowserModel::SetServer(bDataServer* server) {
  beginResetModel();
  server_ = server;
  columns_.clear();
  rows_.clear();
  endResetModel();
}

void bBrowserModel::SetColumns(std::vector<bDataColumn*> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  endResetModel();
}

void bBrowserModel::Reload() {
  beginResetModel();
  rows_.clear();
  if (server_) {
    const uint32_t count = server_->RecCount();
    rows_.reserve(count);
    for (uint32_t rec = 1; rec <= count; ++rec) rows_.push_back(server_->ReadRecord(rec));
  }
  endResetModel();
}

void bBrowserModel::ColumnChanged(int column) {
  if (column < 0 || column >= columnCount()) return;
  emit headerDataChanged(Qt::Horizontal, column, column);
  if (rowCount() > 0) emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

int bBrowserModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int bBrowserModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columns_.size());
}

char bBrowserModel::CellType(const FieldInfo& field) {
  switch (LayoutOf(field)) {
    case FieldLayout::Number: return 'N';
    case FieldLayout::Logic: return 'L';
    case FieldLayout::Date: return 'D';
    default: return 'C';
  }
}

QString bBrowserModel::CellText(const Value& value, char type, int decimals) {
  switch (value.GetType()) {
    case Value::Type::Nil: return {};
    case Value::Type::Logic: return value.AsLogic() ? QStringLiteral("T") : QStringLiteral("F");
    case Value::Type::Date:
      return value.AsDate().IsEmpty() ? QString()
                                      : QString::fromStdString(value.AsDate().ToText());
    case Value::Type::Number: {
      QString text = (type == 'N' || type == 'F')
                         ? QString::number(value.AsNumber(), 'f', decimals)
                         : QString::number(value.AsNumber(), 'g', 15);
      // Rule cells have room for many decimals; show only the ones that say something.
      if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
      }
      text.replace(QLatin1Char('.'), QLatin1Char(','));
      return text;
    }
    case Value::Type::Text: {
      std::string text = value.AsText();
      while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
      return QString::fromStdString(Cp1252ToUtf8(text));
    }
  }
  return {};
}

bool bBrowserModel::TextToValue(const QString& input, char type, int length, int decimals,
                                Value& out) {
  const QString text = input.trimmed();
  switch (type) {
    case 'N':
    case 'F': {
      if (text.isEmpty()) {
        out = Value(0.0);
        return true;
      }
      static const QRegularExpression number(
          QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
      if (!number.match(text).hasMatch()) return false;
      QString plain = text;
      plain.replace(QLatin1Char(','), QLatin1Char('.'));
      bool ok = false;
      const double number_value = plain.toDouble(&ok);
      if (!ok) return false;
      // The field must hold the value as the table writes it: right-aligned with its decimals.
      if (length > 0 && QString::number(number_value, 'f', decimals).size() > length) return false;
      out = Value(number_value);
      return true;
    }
    case 'D': {
      if (text.isEmpty()) {
        out = Value(Date());
        return true;
      }
      static const QRegularExpression date(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4})$"));
      const auto match = date.match(text);
      Date parsed;
      if (match.hasMatch())
        parsed = Date::FromYmd(match.captured(3).toInt(), match.captured(2).toInt(),
                               match.captured(1).toInt());
      if (parsed.IsEmpty()) return false;
      out = Value(parsed);
      return true;
    }
    case 'L': {
      static const QRegularExpression truth(QStringLiteral("^(T|Y|J|1|TRUE|JA|YES)$"),
                                            QRegularExpression::CaseInsensitiveOption);
      static const QRegularExpression falsehood(QStringLiteral("^(F|N|0|FALSE|NEIN|NO|)$"),
                                                QRegularExpression::CaseInsensitiveOption);
      if (truth.match(text).hasMatch()) out = Value(true);
      else if (falsehood.match(text).hasMatch()) out = Value(false);
      else return false;
      return true;
    }
    default: {
      // Text goes to the table in Windows-1252: refuse what that code page cannot hold.
      const std::string utf8 = text.toStdString();
      const std::string stored = Utf8ToCp1252(utf8);
      if (Cp1252ToUtf8(stored) != utf8) return false;
      if (type == 'C' && length > 0 && stored.size() > size_t(length)) return false;
      out = Value(stored);
      return true;
    }
  }
}

QVariant bBrowserModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || size_t(index.row()) >= rows_.size() ||
      size_t(index.column()) >= columns_.size())
    return {};
  const bDataColumn* column = columns_[size_t(index.column())];
  const auto& row = rows_[size_t(index.row())];
  const size_t pos = size_t(column->FieldPos() - 1);
  const Value value = pos < row.size() ? row[pos] : Value();
  const char type = CellType(column->Field());
  const bViewStyle& style = column->ViewStyle(1);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (type == 'L') return {};
      return CellText(value, type, int(column->Field().Decimals));
    case Qt::CheckStateRole:
      if (type != 'L') return {};
      return value.AsLogic() ? Qt::Checked : Qt::Unchecked;
    case Qt::ForegroundRole:
      if (style.TextColor()) return *style.TextColor();
      return {};
    case Qt::BackgroundRole:
      if (style.Background()) return *style.Background();
      if (index.row() % 2 == 0 && brushA_) return *brushA_;
      if (index.row() % 2 == 1 && brushB_) return *brushB_;
      return {};
    case Qt::TextAlignmentRole:
      if (style.AlignmentCode() >= 0) return int(style.Alignment());
      if (type == 'N' || type == 'F') return int(Qt::AlignRight | Qt::AlignVCenter);
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant bBrowserModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    if (role == Qt::DisplayRole) return QString();  // the row selector shows no numbers
    return {};
  }
  if (section < 0 || size_t(section) >= columns_.size()) return {};
  const bDataColumn* column = columns_[size_t(section)];
  switch (role) {
    case Qt::DisplayRole: return column->Caption();
    case Qt::TextAlignmentRole:
      if (column->ViewStyle(2).AlignmentCode() >= 0) return int(column->ViewStyle(2).Alignment());
      return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
      if (column->ViewStyle(2).TextColor()) return *column->ViewStyle(2).TextColor();
      return {};
    default: return {};
  }
}

Qt::ItemFlags bBrowserModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || size_t(index.column()) >= columns_.size()) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  const bDataColumn* column = columns_[size_t(index.column())];
  if (column->ReadOnly() || editingBlocked_) return result;
  if (CellType(column->Field()) == 'L') return result | Qt::ItemIsUserCheckable;
  return result | Qt::ItemIsEditable;
}

bool bBrowserModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!server_ || !index.isValid() || size_t(index.row()) >= rows_.size() ||
      size_t(index.column()) >= columns_.size())
    return false;
  const bDataColumn* column = columns_[size_t(index.column())];
  if (column->ReadOnly() || editingBlocked_) return false;
  const FieldInfo& field = column->Field();
  Value stored;
  const char type = CellType(field);
  if (type == 'L') {
    if (role != Qt::CheckStateRole) return false;
    stored = Value(value.toInt() == Qt::Checked);
  } else {
    if (role != Qt::EditRole) return false;
    if (!TextToValue(value.toString(), type, int(field.Length), int(field.Decimals), stored))
      return false;
  }
  const uint32_t rec = uint32_t(index.row() + 1);
  if (!server_->WriteField(rec, column->FieldPos(), stored)) return false;
  rows_[size_t(index.row())] = server_->ReadRecord(rec);
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  return true;
}

}  // namespace fw
