#include "ui/fields/DlgFeldwahl.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/fields/FieldKind.h"
#include "core/platform/CodePage.h"
#include "core/platform/FieldLayout.h"
#include "ui/app/Icons.h"
#include "ui/platform/DialogUnits.h"

namespace fw {
namespace {

QString FromCore(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

// Texts, numbers, dates and logicals can be taken by another field; memos and binary fields not.
bool CanBeTaken(const FieldInfo& field) {
  const std::optional<FieldKind> kind = KindOfField(field);
  return kind && *kind != FieldKind::Memo;
}

}  // namespace

DlgFeldwahl::DlgFeldwahl(QWidget* owner, const QString& table, const QString& field,
                         FieldKind kind, const std::vector<FieldInfo>& fields)
    : QDialog(owner), fields_(fields) {
  setObjectName(QStringLiteral("DlgFeldwahl"));
  setWindowTitle(QStringLiteral("Feld von %1").arg(table));
  setWindowIcon(ToolIcon());
  setModal(true);
  setFont(DialogFont());

  txtFrage = new QLabel(
      QStringLiteral("Aus welchem Feld von %1 nimmt %2 seine Werte?").arg(table, field), this);
  txtFrage->setObjectName(QStringLiteral("txtFrage"));
  txtFrage->setFont(ControlFont());
  txtFrage->setWordWrap(true);

  lstFelder = new QTreeWidget(this);
  lstFelder->setObjectName(QStringLiteral("lstFelder"));
  lstFelder->setRootIsDecorated(false);
  lstFelder->setUniformRowHeights(true);
  lstFelder->setHeaderLabels({QStringLiteral("Feld"), QStringLiteral("Typ"), QStringLiteral("Länge")});
  lstFelder->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
  QTreeWidgetItem* current = nullptr;
  QTreeWidgetItem* firstTakeable = nullptr;
  QTreeWidgetItem* firstOfKind = nullptr;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const FieldInfo& info = fields_[i];
    QString length = QString::number(info.Length);
    if (LayoutOf(info) == FieldLayout::Number && info.Decimals > 0)
      length += QStringLiteral(",%1").arg(info.Decimals);
    auto* item = new QTreeWidgetItem(
        lstFelder, {FromCore(info.Name), QString(QChar::fromLatin1(info.Type)), length});
    item->setData(0, Qt::UserRole, int(i));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    if (!CanBeTaken(info)) {
      item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
      item->setToolTip(0, QStringLiteral("Auf ein Feld vom Typ %1 kann kein anderes Feld verweisen.")
                              .arg(QChar::fromLatin1(info.Type)));
      continue;
    }
    if (!firstTakeable) firstTakeable = item;
    if (!firstOfKind && KindOfField(info) == kind) firstOfKind = item;
    if (!current && FromCore(info.Name).compare(field, Qt::CaseInsensitive) == 0) current = item;
  }
  if (!current) current = firstOfKind ? firstOfKind : firstTakeable;
  if (current) lstFelder->setCurrentItem(current);
  for (int c = 0; c < 3; ++c) lstFelder->resizeColumnToContents(c);
  lstFelder->setColumnWidth(0, qMax(lstFelder->columnWidth(0), 110));
  const int rows = qBound(4, int(fields_.size()), 14);
  const int rowHeight = lstFelder->fontMetrics().height() + 6;
  lstFelder->setMinimumSize(
      lstFelder->columnWidth(0) + lstFelder->columnWidth(1) + lstFelder->columnWidth(2) + 24,
      lstFelder->header()->sizeHint().height() + rows * rowHeight + 4);

  pbOK = new QPushButton(QStringLiteral("OK"), this);
  pbOK->setObjectName(QStringLiteral("PBOK"));
  pbOK->setDefault(true);
  pbOK->setEnabled(current != nullptr);
  pbAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
  pbAbbrechen->setObjectName(QStringLiteral("PBAbbrechen"));
  connect(pbOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(pbAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
  connect(lstFelder, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (item && (item->flags() & Qt::ItemIsEnabled)) accept();
  });
  connect(lstFelder, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { pbOK->setEnabled(item != nullptr); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(pbOK);
  buttons->addWidget(pbAbbrechen);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtFrage);
  layout->addWidget(lstFelder, 1);
  layout->addLayout(buttons);
  resize(sizeHint());
}

std::string DlgFeldwahl::Chosen() const {
  const QTreeWidgetItem* item = lstFelder->currentItem();
  if (!item || !(item->flags() & Qt::ItemIsEnabled)) return {};
  const int index = item->data(0, Qt::UserRole).toInt();
  return index >= 0 && size_t(index) < fields_.size() ? fields_[size_t(index)].Name : std::string();
}

bool DlgFeldwahl::Select(const QString& name) {
  for (int i = 0; i < lstFelder->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lstFelder->topLevelItem(i);
    if (item->text(0).compare(name, Qt::CaseInsensitive) == 0 && (item->flags() & Qt::ItemIsEnabled)) {
      lstFelder->setCurrentItem(item);
      return true;
    }
  }
  return false;
}

}  // namespace fw
