#include "core/errors/ErrorText.h"

#include <cstdio>

namespace fw {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return r;
}

}  // namespace

std::string GenCodeText(uint32_t genCode) {
  switch (genCode) {
    case 0: return "No error";
    case gen::kArg: return "Argument error";
    case gen::kBound: return "Bound error";
    case gen::kStrOverflow: return "String overflow";
    case gen::kNumOverflow: return "Numeric overflow";
    case gen::kZeroDiv: return "Zero divisor";
    case gen::kNumErr: return "Numeric error";
    case gen::kSyntax: return "Syntax error";
    case gen::kComplexity: return "Operation too complex";
    case gen::kMem: return "Memory low";
    case gen::kNoFunc: return "Undefined function";
    case gen::kNoMethod: return "No exported method";
    case gen::kNoVar: return "Variable does not exist";
    case gen::kNoAlias: return "Alias does not exist";
    case gen::kNoVarMethod: return "No exported variable";
    case gen::kBadAlias: return "Illegal characters in alias";
    case gen::kDupAlias: return "Alias already in use";
    case gen::kCreate: return "Create error";
    case gen::kOpen: return "Open error";
    case gen::kClose: return "Close error";
    case gen::kRead: return "Read error";
    case gen::kWrite: return "Write error";
    case gen::kPrint: return "Print error";
    case 28: return "Invalid error object";
    case gen::kUnsupported: return "Operation not supported";
    case gen::kLimit: return "Limit exceeded";
    case gen::kCorruption: return "Corruption detected";
    case gen::kDataType: return "Data type error";
    case gen::kDataWidth: return "Data width error";
    case gen::kNoTable: return "Table not in use";
    case gen::kNoOrder: return "Table not indexed";
    case gen::kShared: return "Exclusive use required";
    case gen::kUnlocked: return "Lock required";
    case gen::kReadOnly: return "Write not allowed";
    case gen::kAppendLock: return "Append lock failed";
    case gen::kLock: return "Lock failure";
    default: return "Unknown error";
  }
}

std::string TypeName(uint32_t typeCode) {
  static const char* const kNames[] = {
      "NIL",    "LONGINT", "DATE",  "FLOAT", "FIXED", "ARRAY",  "OBJECT", "STRING", "LOGIC",  "CODEBLOCK",
      "SYMBOL", "BYTE",    "SHORTINT", "WORD", "DWORD", "REAL4", "REAL8", "PSZ",   "PTR"};
  return typeCode < std::size(kNames) ? kNames[typeCode] : "UNKNOWN";
}

std::string LogicText(bool value) { return value ? ".T." : ".F."; }

std::string HexText(uint64_t value) {
  char buf[24];
  if (value > 0xFFFFFFFFull)
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(value));
  else
    std::snprintf(buf, sizeof buf, "%08llX", static_cast<unsigned long long>(value));
  return buf;
}

std::string PointerText(uintptr_t value) { return "0x" + HexText(value); }

std::string FirstCharacters(std::string_view s, size_t count) {
  size_t i = 0;
  for (size_t n = 0; i < s.size() && n < count; ++n) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  }
  return std::string(s.substr(0, i));
}

std::string ComposeErrorText(const Error& e, bool oldRuntimeLoaded) {
  std::string t = e.Severity == 1 ? "WARNING : " : "Error Code: ";
  t += ' ';
  if (e.GenCode == 0)
    t += e.Description;
  else
    t += std::to_string(e.GenCode) + " [ " + Upper(GenCodeText(e.GenCode)) + " ]";
  t += kCrLf;
  if (!e.SubSystem.empty()) t += "Subsystem: " + e.SubSystem + std::string(kCrLf);
  if (e.SubCode != 0) {
    t += "Error Subcode: " + std::to_string(e.SubCode);
    if (!e.SubCodeText.empty()) t += " (" + e.SubCodeText + ")";
    t += kCrLf;
  }
  if (!e.Operation.empty()) t += "Operation: " + e.Operation + std::string(kCrLf);
  if (!e.FuncSym.empty()) t += "Function: " + e.FuncSym + std::string(kCrLf);
  if (!e.FileName.empty())
    t += "Filename: " + FirstCharacters(e.FileName, 40) + std::string(kCrLf);
  if (!e.Arg.empty()) {
    t += "Argument: " + e.Arg + std::string(kCrLf);
    if (e.ArgType != 0) t += "Type: " + TypeName(e.ArgType) + std::string(kCrLf);
  }
  if (e.ArgNum != 0) t += "Argument Number: " + std::to_string(e.ArgNum) + std::string(kCrLf);
  if (e.ArgTypeReq != 0 && e.ArgTypeReq != e.ArgType)
    t += "Requested type: " + TypeName(e.ArgTypeReq) + std::string(kCrLf);
  if (!e.Description.empty()) t += "Description: " + e.Description + std::string(kCrLf);
  if (oldRuntimeLoaded) {
    t += kCrLf;
    t += "PLEASE NOTE:";
    t += kCrLf;
    t += "The old runtime library " + std::string(kOldRuntimeLibrary) + " was found in\tmemory";
    t += kCrLf;
    t += "This may be the cause of the current runtime error !!";
    t += kCrLf;
    t += kCrLf;
  }
  if (!e.CallStack.empty()) {
    t += "CallStack: ";
    t += kCrLf;
    for (size_t i = 0; i < e.CallStack.size() && i < 5; ++i) {
      t += e.CallStack[i].Function + " (Line: " + std::to_string(e.CallStack[i].Line) + ")";
      t += kCrLf;
    }
  }
  return t;
}

std::string ComposeLogEntry(const Error& e, std::string_view errorText,
                            const LogEntryContext& context) {
  std::string s;
  auto line = [&s](std::string_view text) {
    s += text;
    s += kCrLf;
  };
  auto field = [&line](std::string_view label, const std::string& value) {
    line(std::string(label) + value);
  };
  line("***********************ERROR********************************");
  line(context.RuntimeVersion);
  line(context.Timestamp);
  line("Application: " + context.Application);
  line(" ");
  line("Error message:");
  line("--------------");
  s += errorText;
  if (!errorText.empty() && !errorText.ends_with(kCrLf)) s += kCrLf;
  line("Error Object created:");
  line("--------------------");
  field("SubSystem       :", e.SubSystem);
  field("SubCode         :", std::to_string(e.SubCode));
  field("GenCode         :", GenCodeText(e.GenCode));
  if (e.SubCode == kSubCodeException) {
    field("ExceptionCode   :", HexText(e.OsCode));
    field("ExceptionFlags  :", HexText(e.ArgType));
    field("ExceptionAddress:", HexText(e.FuncPtr));
    field("ParamNumber     :", std::to_string(e.ArgNum));
    field("ExceptionInfo   :", HexText(e.ExceptionInfo));
  } else {
    field("OsCode          :", std::to_string(e.OsCode));
    field("ArgType         :", TypeName(e.ArgType));
    field("FuncPtr         :", PointerText(e.FuncPtr));
    field("ArgNum          :", std::to_string(e.ArgNum));
    field("FuncSym         :", e.FuncSym);
  }
  field("Severity        :", std::to_string(e.Severity));
  field("CanDefault      :", LogicText(e.CanDefault));
  field("CanRetry        :", LogicText(e.CanRetry));
  field("CanSubstitute   :", LogicText(e.CanSubstitute));
  field("Operation       :", e.Operation);
  field("Description     :", e.Description);
  field("FileName        :", e.FileName);
  field("Tries           :", std::to_string(e.Tries));
  field("FileHandle      :", std::to_string(e.FileHandle));
  field("SubCodeText     :", e.SubCodeText);
  field("Arg             :", e.Arg);
  field("ArgTypeReq      :", TypeName(e.ArgTypeReq));
  field("MaxSize         :", std::to_string(e.MaxSize));
  field("SubstituteType  :", TypeName(e.SubstituteType));
  field("CallFuncSym     :", e.CallFuncSym);
  line("--------------------");
  return s;
}

}  // namespace fw
