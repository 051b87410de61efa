// The generation window's fields that take their values from another table: the choice of
// that table and its field, the check that the values fit, and where the reference is kept.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>

#include "core/fields/DefinitionTables.h"
#include "core/fields/FieldAddress.h"
#include "core/fields/ReferenceKeys.h"
#include "core/generate/ParentValues.h"
#include "core/platform/CodePage.h"
#include "core/platform/Error.h"
#include "core/platform/TextTrim.h"
#include "ui/app/TextBox.h"
#include "ui/fields/DlgFeldwahl.h"
#include "ui/fields/DtaErstellen.h"
#include "ui/platform/bDataServer.h"

namespace fw {
namespace {

QString FromCore(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

}  // namespace

const TableReference* DtaErstellen::ReferenceOf(int fieldPos) const {
  if (!tables_ || !dbAuswahl()) return nullptr;
  const std::vector<FieldInfo>& structure = dbAuswahl()->DBStruct();
  if (fieldPos < 1 || size_t(fieldPos) > structure.size()) return nullptr;
  const auto found = tables_->Options.References.find(fieldPos);
  if (found == tables_->Options.References.end()) return nullptr;
  const std::optional<FieldKind> kind = KindOfField(structure[size_t(fieldPos - 1)]);
  if (kind == FieldKind::Numeric || kind == FieldKind::Date) return &found->second;
  if (kind != FieldKind::Character) return nullptr;
  // A character field follows its reference while its QUELLE says so.
  const uint32_t row = tables_->RowOfField(structure, size_t(fieldPos - 1));
  const int column = tables_->Table(FieldKind::Character).FieldPos(kSourceColumn);
  if (row == 0 || column < 1) return nullptr;
  const std::vector<Value> record = servers_[size_t(FieldKind::Character)]->ReadRecord(row);
  if (size_t(column) > record.size()) return nullptr;
  const std::string source(Trim(record[size_t(column - 1)].AsText()));
  return !source.empty() && ResolveSource(source).Kind == SourceKind::Table ? &found->second
                                                                            : nullptr;
}

void DtaErstellen::SetReference(int fieldPos, const std::optional<TableReference>& reference) {
  const std::vector<FieldInfo>& structure = dbAuswahl()->DBStruct();
  const std::optional<FieldKind> kind = KindOfField(structure[size_t(fieldPos - 1)]);
  if (reference) tables_->Options.References[fieldPos] = *reference;
  else tables_->Options.References.erase(fieldPos);
  if (kind == FieldKind::Character) {
    const uint32_t row = tables_->RowOfField(structure, size_t(fieldPos - 1));
    const int column = tables_->Table(FieldKind::Character).FieldPos(kSourceColumn);
    if (row > 0 && column > 0)
      servers_[size_t(FieldKind::Character)]->WriteField(
          row, column, Value(std::string(reference ? kTableSourceName : kDefaultWordList)));
  } else if (reference) {
    // The reference is the field's source: another one it had goes.
    FieldOptions options = tables_->Options.Of(fieldPos);
    options.Source.reset();
    options.Postcode = false;
    if (options.IsDefault()) tables_->Options.Fields.erase(fieldPos);
    else tables_->Options.Fields[fieldPos] = options;
  }
  RefreshGrids();
  RulesChanged();
}

QString DtaErstellen::ChooseParentTable() {
  if (ParentTableChooser) return ParentTableChooser(*this);
  QFileDialog dialog(this, QStringLiteral("Tabelle wählen, auf die verwiesen wird"));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {QStringLiteral("Data Base Files (*.dbf *.DBF)"), QStringLiteral("Alle Dateien (*)")});
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Dateiname:"));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Öffnen"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
  // The tables that belong together usually share the target's folder.
  dialog.setDirectory(QFileInfo(QFile::decodeName(tablePath_.c_str())).absolutePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

std::string DtaErstellen::PerParentField(int fieldPos) const {
  for (const auto& [pos, ref] : tables_->Options.References)
    if (pos != fieldPos && ref.PerParent && ref.With.empty() && ReferenceOf(pos))
      return RulesSectionName(dbAuswahl()->DBStruct(), size_t(pos - 1));
  return {};
}

bool DtaErstellen::ReferenceAccepted(int fieldPos, const TableReference& ref) {
  const FieldInfo& target = dbAuswahl()->DBStruct()[size_t(fieldPos - 1)];
  const QString field = FromCore(target.Name);
  auto refuse = [&](const QString& why) {
    TextBox(this, QStringLiteral("Achtung"),
            why + QStringLiteral("\r\nDer Verweis von %1 wird nicht gesetzt.").arg(field),
            MessageIcon::Exclamation);
    return false;
  };
  if (ref.Path.empty() || ref.Field.empty())
    return refuse(QStringLiteral("Für das Feld %1 aus einer Tabelle fehlt TABELLE oder FELD.").arg(field));
  if (ref.PerParent && ref.With.empty())
    if (const std::string other = PerParentField(fieldPos); !other.empty())
      return refuse(QStringLiteral("Nur ein Feld einer Tabelle kann JE haben; %1 hat es schon.")
                        .arg(FromCore(other)));
  // The run's own check before it writes, on the values the table holds now. A table that
  // cannot be read is told here, not in the program's error box.
  std::string failure;
  std::string why;
  {
    ScopedErrorBlock block([&failure](Error& error) {
      if (failure.empty()) failure = error.Description;
      return ErrorAction::Default;
    });
    SetBusyPointer(true);
    why = ParentFieldFits(ref.Path, ref.Field, target);
    SetBusyPointer(false);
  }
  if (!why.empty())
    return refuse(QString::fromStdString(why) +
                  (failure.empty() ? QString() : QStringLiteral("\r\n") + QString::fromStdString(failure)));
  return true;
}

bool DtaErstellen::ChooseReference(FieldKind kind, int fieldPos, const std::string& with) {
  if (running_ || !usable_ || !dbAuswahl() || fieldPos < 1 ||
      size_t(fieldPos) > dbAuswahl()->DBStruct().size())
    return false;
  if (kind != FieldKind::Character && kind != FieldKind::Numeric && kind != FieldKind::Date)
    return false;
  const std::vector<FieldInfo>& structure = dbAuswahl()->DBStruct();
  TableReference ref;
  if (const TableReference* before = ReferenceOf(fieldPos)) ref = *before;
  if (with.empty()) {
    const QString file = ChooseParentTable();
    if (file.isEmpty()) return false;
    const std::string path = QFile::encodeName(QFileInfo(file).absoluteFilePath()).toStdString();
    const std::string table = TableNameFor(path, {}, {}, tablePath_);
    // Choosing the table a key already refers to keeps its JE.
    if (ref.Path != ResolveTablePath(table, {}, tablePath_) || !ref.With.empty()) ref = {};
    ref.Table = table;
    ref.Path = ResolveTablePath(table, {}, tablePath_);
    ref.With.clear();
  } else {
    const int keyPos = dbAuswahl()->FieldPos(with);
    const TableReference* key = ReferenceOf(keyPos);
    if (!key || !key->With.empty()) return false;
    ref = {};
    ref.Table = key->Table;
    ref.Path = key->Path;
    ref.With = FieldKey(with);
  }
  // The fields of that table, read without holding it.
  std::vector<FieldInfo> fields;
  std::string failure;
  {
    ScopedErrorBlock block([&failure](Error& error) {
      if (failure.empty()) failure = error.Description;
      return ErrorAction::Default;
    });
    std::error_code ec;
    if (std::filesystem::is_regular_file(ref.Path, ec)) {
      DBServer parent(ref.Path, true, true);
      if (parent.Used()) fields = parent.DBStruct();
    }
  }
  const QString tableName = QFileInfo(QFile::decodeName(ref.Path.c_str())).fileName();
  if (fields.empty()) {
    TextBox(this, QStringLiteral("Fehlermeldung"),
            QStringLiteral("Die Tabelle %1 kann nicht geöffnet werden.")
                    .arg(QFile::decodeName(ref.Path.c_str())) +
                (failure.empty() ? QString() : QStringLiteral("\r\n") + QString::fromStdString(failure)),
            MessageIcon::Exclamation);
    return false;
  }
  const QString fieldName = FromCore(RulesSectionName(structure, size_t(fieldPos - 1)));
  std::string chosen;
  if (ParentFieldChooser) {
    chosen = ParentFieldChooser(*this, tableName, fieldName, fields);
  } else {
    DlgFeldwahl dialog(this, tableName, fieldName, kind, fields);
    if (dialog.exec() == QDialog::Accepted) chosen = dialog.Chosen();
  }
  if (chosen.empty()) return false;
  ref.Field = FieldKey(chosen);
  if (!ReferenceAccepted(fieldPos, ref)) return false;
  SetReference(fieldPos, ref);
  return true;
}

}  // namespace fw
