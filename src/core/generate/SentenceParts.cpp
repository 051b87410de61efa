#include "core/generate/SentenceParts.h"

#include <algorithm>
#include <cstdint>

#include "core/app/Utilities.h"
#include "core/generate/WordSource.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

using Slot = SentenceParts::Slot;

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' ||
                        s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return std::string(s);
}

std::string Where(const std::string& file, size_t entry) {
  return "In " + file + ".txt, Eintrag " + std::to_string(entry + 1) + ": ";
}

bool SlotOf(std::string_view name, Slot& slot) {
  static const struct {
    const char* name;
    Slot slot;
  } kSlots[] = {{"UA", Slot::PaperAcc}, {"UD", Slot::PaperDat}, {"UG", Slot::PaperGen},
                {"VA", Slot::StepAcc},  {"VD", Slot::StepDat},  {"VG", Slot::StepGen},
                {"T", Slot::Time},      {"t", Slot::MaybeTime}};
  for (const auto& s : kSlots)
    if (name == s.name) {
      slot = s.slot;
      return true;
    }
  return false;
}

bool ParseRest(std::string_view rest, std::vector<SentenceParts::Piece>& pieces,
               std::string& error) {
  size_t pos = 0;
  while (pos < rest.size()) {
    const size_t open = rest.find('{', pos);
    const std::string text = Trim(rest.substr(pos, open == std::string_view::npos
                                                      ? std::string_view::npos
                                                      : open - pos));
    if (!text.empty()) pieces.push_back({Slot::Text, text});
    if (open == std::string_view::npos) break;
    const size_t close = rest.find('}', open);
    Slot slot;
    if (close == std::string_view::npos || !SlotOf(rest.substr(open + 1, close - open - 1), slot)) {
      error = "unbekannter oder nicht geschlossener Platzhalter \"" +
              Cp1252ToUtf8(rest.substr(open, close == std::string_view::npos
                                                 ? std::string_view::npos
                                                 : close - open + 1)) +
              "\" (bekannt sind {UA} {UD} {UG} {VA} {VD} {VG} {T} {t}).";
      return false;
    }
    pieces.push_back({slot, {}});
    pos = close + 1;
  }
  return true;
}

bool ParseStatements(const std::string& file, const std::string& text,
                     std::vector<SentenceParts::Statement>& out, std::string& error) {
  const std::vector<std::string> entries = NonEmptyEntries(SplitWordList(text));
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t bar = entries[i].find('|');
    SentenceParts::Statement statement;
    statement.Verb = Trim(std::string_view(entries[i]).substr(0, bar));
    if (bar == std::string::npos || statement.Verb.empty()) {
      error = Where(file, i) + "das Verb und der Rest des Satzes sind durch | getrennt.";
      return false;
    }
    std::string why;
    if (!ParseRest(std::string_view(entries[i]).substr(bar + 1), statement.Rest, why)) {
      error = Where(file, i) + why;
      return false;
    }
    out.push_back(std::move(statement));
  }
  return true;
}

bool ParseNouns(const std::string& file, const std::string& text,
                std::vector<SentenceParts::Noun>& out, std::string& error) {
  const std::vector<std::string> entries = NonEmptyEntries(SplitWordList(text));
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::vector<std::string> cases = String2Array(entries[i], "|");
    SentenceParts::Noun noun;
    bool complete = cases.size() == 4;
    for (size_t c = 0; complete && c < 4; ++c) {
      noun.Cases[c] = Trim(cases[c]);
      complete = !noun.Cases[c].empty();
    }
    if (!complete) {
      error = Where(file, i) +
              "ein Wort braucht vier Fälle, Nominativ | Akkusativ | Dativ | Genitiv.";
      return false;
    }
    out.push_back(std::move(noun));
  }
  return true;
}

size_t ShortestOf(const std::vector<std::string>& words) {
  size_t shortest = SIZE_MAX;
  for (const std::string& w : words) shortest = std::min(shortest, w.size());
  return shortest;
}

size_t ShortestCase(const std::vector<SentenceParts::Noun>& nouns, int c) {
  size_t shortest = SIZE_MAX;
  for (const SentenceParts::Noun& noun : nouns) shortest = std::min(shortest, noun.Cases[c].size());
  return shortest;
}

// The fewest bytes a statement with its subject takes: every piece with the blank before it
// (none before a comma), the time phrase only where the statement demands one.
size_t ShortestSentence(const SentenceParts& parts, size_t subject,
                        const std::vector<SentenceParts::Statement>& statements) {
  size_t shortest = SIZE_MAX;
  for (const SentenceParts::Statement& statement : statements) {
    size_t length = subject + 1 + statement.Verb.size() + 1;  // and the full stop
    bool timeSeen = false;  // only the first time slot may get a phrase
    for (const SentenceParts::Piece& piece : statement.Rest) {
      size_t part = 0;
      switch (piece.slot) {
        case Slot::Text: part = piece.text.size(); break;
        case Slot::PaperAcc: part = ShortestCase(parts.Papers, 1); break;
        case Slot::PaperDat: part = ShortestCase(parts.Papers, 2); break;
        case Slot::PaperGen: part = ShortestCase(parts.Papers, 3); break;
        case Slot::StepAcc: part = ShortestCase(parts.Steps, 1); break;
        case Slot::StepDat: part = ShortestCase(parts.Steps, 2); break;
        case Slot::StepGen: part = ShortestCase(parts.Steps, 3); break;
        case Slot::Time:
          if (!timeSeen) part = ShortestOf(parts.Times);
          timeSeen = true;
          break;
        case Slot::MaybeTime: timeSeen = true; break;
      }
      if (part > 0) length += part + (piece.slot == Slot::Text && piece.text.front() == ',' ? 0 : 1);
    }
    shortest = std::min(shortest, length);
  }
  return shortest;
}

}  // namespace

const std::vector<std::string>& SentenceFiles() {
  static const std::vector<std::string> kFiles = {
      "SatzPersonen",       "SatzUnterlagen",         "SatzVorgaenge",      "SatzZeiten",
      "SatzPersonAussagen", "SatzUnterlagenAussagen", "SatzVorgangAussagen"};
  return kFiles;
}

bool ParseSentenceParts(const std::vector<std::string>& texts, SentenceParts& parts,
                        std::string& error) {
  const std::vector<std::string>& files = SentenceFiles();
  if (texts.size() != files.size()) {
    error = "Es fehlen Dateien der Satzbausteine.";
    return false;
  }
  parts = SentenceParts();
  parts.People = NonEmptyEntries(SplitWordList(texts[0]));
  parts.Times = NonEmptyEntries(SplitWordList(texts[3]));
  if (!ParseNouns(files[1], texts[1], parts.Papers, error) ||
      !ParseNouns(files[2], texts[2], parts.Steps, error) ||
      !ParseStatements(files[4], texts[4], parts.PersonStatements, error) ||
      !ParseStatements(files[5], texts[5], parts.PaperStatements, error) ||
      !ParseStatements(files[6], texts[6], parts.StepStatements, error))
    return false;
  const size_t counts[] = {parts.People.size(),           parts.Papers.size(),
                           parts.Steps.size(),            parts.Times.size(),
                           parts.PersonStatements.size(), parts.PaperStatements.size(),
                           parts.StepStatements.size()};
  for (size_t i = 0; i < files.size(); ++i) {
    if (counts[i] == 0) {
      error = "Die Datei " + files[i] + ".txt hat keinen Eintrag.";
      return false;
    }
  }
  parts.Shortest =
      std::min({ShortestSentence(parts, ShortestOf(parts.People), parts.PersonStatements),
                ShortestSentence(parts, ShortestCase(parts.Papers, 0), parts.PaperStatements),
                ShortestSentence(parts, ShortestCase(parts.Steps, 0), parts.StepStatements)});
  return true;
}

bool LoadSentenceParts(const std::string& folder, SentenceParts& parts, std::string& error) {
  std::vector<std::string> texts;
  for (const std::string& name : SentenceFiles()) {
    const std::string path = FindSourceFile(folder, name);
    std::string text;
    if (path.empty() || ReadWordFile(path, text) != WordFileRead::Ok) {
      error = "Die Datei " + name + ".txt der Satzbausteine fehlt oder ist nicht lesbar.";
      return false;
    }
    texts.push_back(std::move(text));
  }
  return ParseSentenceParts(texts, parts, error);
}

}  // namespace fw
