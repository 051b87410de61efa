#include "ui/fields/bDlgQuelleEditChoice.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include "ui/app/Globals.h"
#include "core/app/Settings.h"
#include "core/app/Utilities.h"
#include "core/fields/FieldKind.h"
#include "core/fields/RuleSource.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"
#include "ui/platform/DialogUnits.h"
#include "ui/platform/bArrayServer.h"
#include "ui/platform/bComboEdit.h"
#include "ui/platform/bDataColumn.h"
#include "ui/fields/bQuelleEdit.h"

namespace fw {

bDlgQuelleEditChoice::bDlgQuelleEditChoice(bComboEdit* owner)
    : bComboEditChoice(owner, QStringLiteral("bdlgQuelleEditChoice"), true) {
  setObjectName(QStringLiteral("bDlgQuelleEditChoice"));
  setFont(DialogFont());
  bbrQuelle_ = new bBrowser(this, 100, this);
  bbrQuelle_->setObjectName(QStringLiteral("bbrQuelle"));
  bbrQuelle_->SetTitle(QStringLiteral("Datenquellen"));
  bbrQuelle_->EnableSelector(false);
  bbrQuelle_->EnableColumnMove(false);
  bbrQuelle_->EnableScrollBars(false);
  bbrQuelle_->SetEditingBlocked(true);  // a list to choose from, not to edit
  bbrQuelle_->View()->setSelectionBehavior(QAbstractItemView::SelectRows);
  setWindowTitle(QStringLiteral("Quelle wählen"));
  PostInit();
}

bDlgQuelleEditChoice::~bDlgQuelleEditChoice() { bbrQuelle_->Use(nullptr); }

void bDlgQuelleEditChoice::showEvent(QShowEvent* event) {
  FitToRows();  // the style may have changed the heights since the list was filled
  bComboEditChoice::showEvent(event);
}

QStringList bDlgQuelleEditChoice::Sources() {
  QStringList list;
  for (const std::string& entry : ReadSettings(goIni).Quellen)
    list << QString::fromStdString(Cp1252ToUtf8(entry));
  return list;
}

QString bDlgQuelleEditChoice::TableEntry() {
  return QString::fromLatin1(kTableSourceName) + QChar(0x2026);
}

void bDlgQuelleEditChoice::PostInit() {
  bComboEditChoice::PostInit();
  // One column, named as the definition tables name their source column.
  const std::vector<FieldInfo> structure{{kSourceColumn, 'C', 15, 0}};
  std::vector<std::vector<fw::Value>> rows;
  for (const QString& name : Sources())
    rows.push_back({fw::Value(Utf8ToCp1252(name.toStdString()))});
  const auto* edit = qobject_cast<const bQuelleEdit*>(Owner());
  if (edit && edit->ChooseTable) {
    rows.push_back({fw::Value(Utf8ToCp1252(TableEntry().toStdString()))});
    tableRow_ = uint32_t(rows.size());
  }
  server_ = std::make_unique<bArrayServer>(structure, std::move(rows));
  bbrQuelle_->Use(server_.get());

  FitToRows();
}

void bDlgQuelleEditChoice::FitToRows() {
  if (!server_) return;
  bbrQuelle_->ensurePolished();
  bbrQuelle_->View()->horizontalHeader()->ensurePolished();
  bDataColumn* column = bbrQuelle_->GetColumn(QString::fromLatin1(kSourceColumn));
  const int frame = 2 * bbrQuelle_->View()->frameWidth();
  int w = (column ? column->Width() : 100) + frame;
  int h = int(server_->RecCount()) * bbrQuelle_->RowHeight() + bbrQuelle_->CaptionHeight() + frame;
  // A settings file with very many sources must not give a list taller than the screen: the
  // list then scrolls.
  const QScreen* screen = this->screen();
  const int limit = screen ? screen->availableGeometry().height() * 2 / 3 : 0;
  if (limit > 0 && h > limit) {
    h = limit;
    bbrQuelle_->View()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    w += bbrQuelle_->View()->verticalScrollBar()->sizeHint().width();
  }
  // The window's frame is the window system's: the client area is exactly the list.
  bbrQuelle_->setGeometry(0, 0, w, h);
  resize(w, h);
}

QString bDlgQuelleEditChoice::Value() const {
  const int row = bbrQuelle_->CurrentRow();
  if (row < 1 || !server_) return {};
  const auto record = server_->ReadRecord(uint32_t(row));
  if (record.empty()) return {};
  return QString::fromStdString(Cp1252ToUtf8(record.front().AsText())).trimmed();
}

void bDlgQuelleEditChoice::SetValue(const QString& value) {
  bComboEditChoice::SetValue(value);
  if (!server_) return;
  // The row of the cell's source: the one spelled as in the cell, else the first that names
  // the same source as the resolver sees it ("postleitzahl" is Postleitzahl, blank is Worte).
  const std::string wanted(Trim(Utf8ToCp1252(value.toStdString())));
  uint32_t same = 0;
  if (tableRow_ != 0 && !wanted.empty() && ResolveSource(wanted).Kind == SourceKind::Table)
    same = tableRow_;
  const bool table = same != 0;
  for (uint32_t rec = 1; !table && rec <= server_->RecCount(); ++rec) {
    if (rec == tableRow_) continue;
    const auto record = server_->ReadRecord(rec);
    if (record.empty()) continue;
    const std::string name(Trim(record.front().AsText()));
    if (name == wanted) {
      same = rec;
      break;
    }
    if (same == 0 && SameSource(name, wanted)) same = rec;
  }
  if (same == 0) return;
  bbrQuelle_->SetCurrentCell(bCell{1, int(same)});
  server_->GoTo(same);
}

bool bDlgQuelleEditChoice::OnTableEntry() const {
  return tableRow_ != 0 && bbrQuelle_->CurrentRow() == int(tableRow_);
}

void bDlgQuelleEditChoice::CellDoubleClick(bBrowser*) {
  bComboEdit* owner = Owner();
  if (!owner) return;
  if (OnTableEntry()) {
    // The edit goes with the cell edit: keep what it is to call.
    const std::function<void()> choose = static_cast<bQuelleEdit*>(owner)->ChooseTable;
    if (owner->ReadOnly()) return;
    DoClose(owner->Browser() != nullptr);
    choose();
    return;
  }
  if (!owner->ReadOnly()) owner->SetValue(Value());
  DoClose(owner->Browser() != nullptr);
}

}  // namespace fw
