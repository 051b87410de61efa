#include "ui/fields/DlgIndexdateien.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "core/index/TableIndexes.h"
#include "ui/app/WikOpenDialog.h"

namespace fw {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kBelongsRole = Qt::UserRole + 1;
// A file the rules named that cannot be rebuilt stays named (greyed, unchecked).
constexpr int kNamedRole = Qt::UserRole + 2;

std::string Normal(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

DlgIndexdateien::DlgIndexdateien(QWidget* owner, const std::string& tablePath,
                                 const std::vector<std::string>& named)
    : QDialog(owner), table_(tablePath) {
  setObjectName(QStringLiteral("DlgIndexdateien"));
  setWindowTitle(QStringLiteral("Indexdateien"));
  auto* hint = new QLabel(
      QStringLiteral("Angehakte Indexdateien werden nach dem Füllen neu aufgebaut. Die Dateien, "
                     "die zur Tabelle gehören, immer; andere nur, wenn Sie sie anhaken."),
      this);
  hint->setWordWrap(true);
  lstDateien = new QListWidget(this);
  lstDateien->setObjectName(QStringLiteral("lstDateien"));
  txtPlan = new QLabel(this);
  txtPlan->setObjectName(QStringLiteral("txtPlan"));
  txtPlan->setWordWrap(true);
  pbHinzufuegen = new QPushButton(QStringLiteral("Indexdatei &hinzufügen…"), this);
  pbHinzufuegen->setObjectName(QStringLiteral("PBHinzufuegen"));
  pbOK = new QPushButton(QStringLiteral("OK"), this);
  pbOK->setObjectName(QStringLiteral("PBOK"));
  pbOK->setDefault(true);
  pbAbbrechen = new QPushButton(QStringLiteral("Abbrechen"), this);
  pbAbbrechen->setObjectName(QStringLiteral("PBAbbrechen"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(pbHinzufuegen);
  buttons->addStretch();
  buttons->addWidget(pbOK);
  buttons->addWidget(pbAbbrechen);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(lstDateien, 1);
  layout->addWidget(txtPlan);
  layout->addLayout(buttons);
  connect(pbHinzufuegen, &QPushButton::clicked, this, &DlgIndexdateien::PBHinzufuegen);
  connect(pbOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(pbAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
  Fill(named);
  resize(460, 300);
}

void DlgIndexdateien::Fill(const std::vector<std::string>& named) {
  lstDateien->clear();
  std::vector<std::string> namedNormal;
  for (const std::string& file : named) namedNormal.push_back(Normal(file));
  const IndexPlan plan = PlanTableIndexes(table_, named);
  auto add = [&](const std::string& path, const QString& shown, const std::string& reason,
                 bool belongs, bool checked) {
    auto* item = new QListWidgetItem(shown, lstDateien);
    item->setData(kPathRole, QFile::decodeName(path.c_str()));
    item->setData(kBelongsRole, belongs);
    item->setData(kNamedRole, !belongs && checked);
    Qt::ItemFlags flags = Qt::ItemIsUserCheckable;
    if (!belongs && reason.empty()) flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(checked && reason.empty() ? Qt::Checked : Qt::Unchecked);
    if (!reason.empty())
      item->setToolTip(QString::fromStdString(reason));
    else if (belongs)
      item->setToolTip(QStringLiteral("Gehört zur Tabelle und wird nach jedem Füllen neu aufgebaut."));
  };
  for (const PlannedIndex& file : plan.Files()) {
    const bool isNamed = std::find(namedNormal.begin(), namedNormal.end(), Normal(file.Path)) !=
                         namedNormal.end();
    add(file.Path, QString::fromStdString(file.Shown), file.Reason, !isNamed, true);
  }
  const std::string folder = std::filesystem::path(table_).parent_path().string();
  for (const std::string& candidate : plan.Candidates())
    add((std::filesystem::path(folder) / candidate).string(), QString::fromStdString(candidate),
        {}, false, false);
  const std::vector<std::string> lines = plan.Lines();
  txtPlan->setText(lines.empty() ? QStringLiteral("Zur Tabelle gehört keine Indexdatei.")
                                 : QString::fromStdString(lines.front()));
}

std::vector<std::string> DlgIndexdateien::Named() const {
  std::vector<std::string> named;
  for (int row = 0; row < lstDateien->count(); ++row) {
    const QListWidgetItem* item = lstDateien->item(row);
    if (item->data(kBelongsRole).toBool()) continue;
    const bool greyed = !(item->flags() & Qt::ItemIsEnabled);
    if (greyed ? !item->data(kNamedRole).toBool() : item->checkState() != Qt::Checked) continue;
    named.push_back(QFile::encodeName(item->data(kPathRole).toString()).toStdString());
  }
  return named;
}

void DlgIndexdateien::AddFile(const std::string& path) {
  std::vector<std::string> named = Named();
  if (std::find(named.begin(), named.end(), path) == named.end()) named.push_back(path);
  Fill(named);
}

void DlgIndexdateien::PBHinzufuegen() {
  QString file;
  if (FileChooser) {
    file = FileChooser(*this);
  } else {
    WikOpenDialog dialog(this, QStringLiteral("*.NTX"));
    dialog.setWindowTitle(QStringLiteral("Indexdatei hinzufügen"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QFileInfo(QFile::decodeName(table_.c_str())).absolutePath());
    dialog.setNameFilter(
        QStringLiteral("Indexdateien (*.ntx *.NTX *.ndx *.NDX *.cdx *.CDX *.idx *.IDX *.mdx *.MDX)"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      file = dialog.selectedFiles().front();
  }
  if (!file.isEmpty()) AddFile(QFile::encodeName(file).toStdString());
}

}  // namespace fw
