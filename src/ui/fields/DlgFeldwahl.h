#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "core/fields/FieldKind.h"
#include "core/platform/DBServer.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace fw {

// The choice of one field of another table: its fields with name, type and length (decimals
// where it has them), in table order. Fields whose values no other field can take (memos,
// binary fields) are shown but cannot be chosen. A double-click chooses.
class DlgFeldwahl : public QDialog {
  Q_OBJECT
public:
  // `table` names the other table in the caption, `field` the field that is to take the
  // values and `kind` its kind; the field of that name, else the first of that kind, else the
  // first that can be chosen, is the current one.
  DlgFeldwahl(QWidget* owner, const QString& table, const QString& field, FieldKind kind,
              const std::vector<FieldInfo>& fields);

  // The chosen field's name as the table stores it ("" when none is current).
  std::string Chosen() const;
  // Makes the field of that name current; false when there is none that can be chosen.
  bool Select(const QString& name);

  QLabel* txtFrage;
  QTreeWidget* lstFelder;
  QPushButton* pbOK;
  QPushButton* pbAbbrechen;

private:
  std::vector<FieldInfo> fields_;
};

}  // namespace fw
