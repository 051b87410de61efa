#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The word classes German sentences are put together from (source "Saetze"). Each class is a
// word file of the data folder (Windows-1252, entries separated by commas):
//   SatzPersonen             people and departments, nominative ("der Kunde", "Frau Schulz")
//   SatzUnterlagen           papers: "nominative | accusative | dative | genitive"
//                            ("der Vertrag | den Vertrag | dem Vertrag | des Vertrags")
//   SatzVorgaenge            what happens to an order, the same four cases ("die Lieferung | …")
//   SatzPersonAussagen       what a person does: "verb | rest" ("bittet | um Rückruf wegen {UG}")
//   SatzUnterlagenAussagen   what becomes of a paper ("wird | {t} per Post verschickt")
//   SatzVorgangAussagen      what becomes of a step ("erfolgt | {T}")
//   SatzZeiten               time phrases ("nächste Woche", "am Montag")
// In a rest, {UA} {UD} {UG} stand for a paper in accusative, dative or genitive, {VA} {VD}
// {VG} for a step, {T} for a time phrase and {t} for a time phrase in some sentences only.
// Every entry is written with the case its place needs, so a sentence agrees however it is
// drawn; all subjects are singular, all verbs in the third person singular.
struct SentenceParts {
  enum class Slot : uint8_t { Text, PaperAcc, PaperDat, PaperGen, StepAcc, StepDat, StepGen,
                              Time, MaybeTime };
  struct Piece {
    Slot slot = Slot::Text;
    std::string text;  // for Slot::Text: words without blanks around them
  };
  struct Statement {
    std::string Verb;
    std::vector<Piece> Rest;
  };
  struct Noun {
    std::string Cases[4];  // nominative, accusative, dative, genitive
  };
  std::vector<std::string> People, Times;
  std::vector<Noun> Papers, Steps;
  std::vector<Statement> PersonStatements, PaperStatements, StepStatements;
  // No sentence of these parts is shorter (in bytes, its full stop included): a text with less
  // room left takes no further sentence.
  size_t Shortest = 0;
};

// The names of the word files (without ".txt"), in the order ParseSentenceParts takes their
// texts.
const std::vector<std::string>& SentenceFiles();

// Builds the parts from the files' texts. False with a German sentence naming the file and the
// entry when a class is empty, a noun lacks a case, a statement its verb, or a rest holds an
// unknown or unclosed placeholder.
bool ParseSentenceParts(const std::vector<std::string>& texts, SentenceParts& parts,
                        std::string& error);

// Reads the files from `folder` (ending in "/") and builds the parts; a missing or unreadable
// file is named in `error`.
bool LoadSentenceParts(const std::string& folder, SentenceParts& parts, std::string& error);

}  // namespace fw
