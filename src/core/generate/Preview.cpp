#include "core/generate/Preview.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/fields/DefinitionTables.h"
#include "core/generate/FillRun.h"
#include "core/platform/CodePage.h"
#include "core/platform/Error.h"
#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

// The fill run's host for a preview: no window, the messages kept.
class PreviewHost : public QuietFillHost {
public:
  std::vector<std::string> Messages;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    std::string line = caption + ": ";
    for (char c : text) {
      if (c == '\r') continue;
      line += c == '\n' ? ' ' : c;
    }
    Messages.push_back(line);
  }
};

// A folder of its own under TMPDIR (or /tmp), removed with the object.
class ScratchFolder {
public:
  bool Create() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuellwerk-vorschau-XXXXXX";
    if (!::mkdtemp(pattern.data())) return false;
    path_ = pattern + "/";
    return true;
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

}  // namespace

bool PreviewIsNumber(const FieldInfo& field) {
  switch (LayoutOf(field)) {
    case FieldLayout::Number:
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double: return true;
    default: return false;
  }
}

std::string PreviewText(const Value& value, const FieldInfo& field, const DateFormat& dates) {
  // By the field's layout, never by its letter: dBase 5's B is a memo, Visual FoxPro's a double.
  switch (LayoutOf(field)) {
    case FieldLayout::Number:
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double: {
      if (!value.IsNumber()) return {};
      // Binary numbers with the decimals they are shown with.
      uint32_t decimals = field.Decimals;
      if (LayoutOf(field) != FieldLayout::Number)
        decimals = NumericLayoutOf(field.Type, 0, field.Decimals).Decimals;
      char text[400];
      std::snprintf(text, sizeof text, "%.*f", int(decimals > 30 ? 30 : decimals),
                    value.AsNumber());
      return text;
    }
    case FieldLayout::Logic:
      return value.IsLogic() ? (value.AsLogic() ? "Ja" : "Nein") : std::string();
    case FieldLayout::Date:
    case FieldLayout::DateTime:
    case FieldLayout::Dbase7Timestamp:
      return value.IsDate() && !value.AsDate().IsEmpty() ? value.AsDate().ToText(dates) : std::string();
    default: {
      // Text and memos in one line, without the blanks that pad a field.
      std::string text = value.AsText();
      for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return Cp1252ToUtf8(text);
    }
  }
}

PreviewRecords MakePreview(DBServer& target, DefinitionTables& tables, RunContext context,
                           uint32_t count) {
  RuleSet rules = tables.Load(target.DBStruct());
  // Definition rows were only read; put them back on their first rows.
  tables.GoTopAll();
  return MakePreview(target, std::move(rules), std::move(context), count);
}

PreviewRecords MakePreview(DBServer& target, RuleSet rules, RunContext context,
                           uint32_t count) {
  PreviewRecords preview;
  preview.Fields = target.DBStruct();
  ScratchFolder folder;
  if (!folder.Create()) {
    preview.Error = std::string("Für die Vorschau kann kein Arbeitsordner angelegt werden: ") +
                    std::strerror(errno);
    return preview;
  }
  // Errors of the scratch table end the preview with a message instead of reaching the
  // program's error handler: the user's table is not concerned.
  std::string failure;
  context.OnError = [&](Error& error) {
    if (failure.empty()) failure = error.Description;
    return ErrorAction::Default;
  };
  RunErrorScope errors(context);
  const std::string file = folder.Path() + "VORSCHAU.DBF";
  // The target's own header, so that the scratch table stores every value as the target does:
  // in its format and field types, its code page (letters the code page lacks become their
  // nearest ASCII), with its autoincrement counters.
  if (!target.CreateEmptyCopy(file)) {
    preview.Error = "Die Vorschau kann für diese Tabelle nicht angelegt werden." +
                    (failure.empty() ? std::string() : "\r\n" + failure);
    return preview;
  }
  PreviewHost host;
  {
    // The scratch table has the target's fields, so the rules' positions hold for it.
    FillRun run(host, context);
    run.Rules = std::move(rules);
    run.lVorschau = true;
    run.dbAuswahl = std::make_unique<DBServer>(file, false, false, target.Driver());
    if (!run.dbAuswahl->Used()) {
      preview.Error = "Die Vorschau kann für diese Tabelle nicht angelegt werden.";
      return preview;
    }
    run.PBFillDB(std::to_string(count), false);
    DBServer& scratch = *run.dbAuswahl;
    for (uint32_t rec = 1; rec <= scratch.RecCount(); ++rec) {
      scratch.GoTo(rec);
      std::vector<std::string> row;
      for (size_t i = 0; i < preview.Fields.size(); ++i)
        row.push_back(PreviewText(scratch.FieldGet(int(i + 1)), preview.Fields[i], context.Dates));
      preview.Rows.push_back(std::move(row));
    }
    scratch.Close();
  }
  preview.Messages = std::move(host.Messages);
  if (!failure.empty()) {
    preview.Error = "Die Vorschau ist fehlgeschlagen:\r\n" + failure;
    return preview;
  }
  preview.Ok = true;
  return preview;
}

}  // namespace fw
