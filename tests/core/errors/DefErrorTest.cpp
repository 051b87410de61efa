#include "core/errors/DefError.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/errors/ErrorText.h"
#include "core/errors/FakeErrorUi.h"
#include "core/platform/CallStack.h"
#include "core/platform/Date.h"
#include "core/platform/OpenTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

struct QuitRequested {
  int exitCode;
};

const char* const kFileName41 = "/tmp/Testdaten/Kundenstamm2026_Archiv.dbf";

class DefErrorTest : public ::testing::Test {
protected:
  void SetUp() override {
    savedFormat_ = CurrentDateFormat();
    SetDateFormat(GermanDateFormat());
    SetNetErr(false);
    settings_.LogFolder = dir_.Folder();
    settings_.Application = "/opt/fuellwerk/fuellwerk";
    settings_.RuntimeVersion = "Fuellwerk runtime 1.0";
    settings_.LocalTime = [] {
      std::tm t{};
      t.tm_year = 2026 - 1900;
      t.tm_mon = 11;
      t.tm_mday = 8;
      t.tm_hour = 1;
      t.tm_min = 2;
      t.tm_sec = 3;
      return t;
    };
    settings_.OldRuntimeLoaded = [] { return false; };
    settings_.EndApplication = [](int code) { throw QuitRequested{code}; };
    settings_.Ui = &ui_;
  }
  void TearDown() override { SetDateFormat(savedFormat_); }

  std::string Log() const { return test::ReadFileBytes(dir_.File("VOERROR.LOG")); }

  static Error WriteError() {
    Error e;
    e.SubSystem = "DBFNTX";
    e.SubCode = 1011;
    e.SubCodeText = "Schreiben";
    e.GenCode = gen::kWrite;
    e.OsCode = 27;
    e.Severity = 2;
    e.CanDefault = true;
    e.CanRetry = true;
    e.Operation = "FieldPut";
    e.Description = "Die Datei kann nicht geschrieben werden";
    e.FileName = kFileName41;
    e.Tries = 1;
    return e;
  }

  test::TempDir dir_;
  test::FakeErrorUi ui_;
  ErrorSysSettings settings_;
  DateFormat savedFormat_;
};

TEST_F(DefErrorTest, WarningWithSixLevelStackShowsFiveLevelsAndLogsTheWholeEntry) {
  Error e = WriteError();
  e.Severity = 1;
  e.CallStack = {{"fw::DbfTable::WriteRecord", 210}, {"fw::DBServer::FieldPut", 88},
                 {"fw::FillCharacter", 41},         {"fw::DtaErstellen::PBFillDB", 312},
                 {"fw::DtaErstellen::Dispatch", 77}, {"main", 12}};
  const ErrorAnswer answer = DefError(e, settings_);
  EXPECT_EQ(answer.Action, ErrorAction::Default);
  EXPECT_FALSE(answer.HasSubstitute);

  const std::string text =
      "WARNING :  24 [ WRITE ERROR ]\r\n"
      "Subsystem: DBFNTX\r\n"
      "Error Subcode: 1011 (Schreiben)\r\n"
      "Operation: FieldPut\r\n"
      "Filename: /tmp/Testdaten/Kundenstamm2026_Archiv.db\r\n"
      "Description: Die Datei kann nicht geschrieben werden\r\n"
      "CallStack: \r\n"
      "fw::DbfTable::WriteRecord (Line: 210)\r\n"
      "fw::DBServer::FieldPut (Line: 88)\r\n"
      "fw::FillCharacter (Line: 41)\r\n"
      "fw::DtaErstellen::PBFillDB (Line: 312)\r\n"
      "fw::DtaErstellen::Dispatch (Line: 77)\r\n";
  ASSERT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_EQ(ui_.Boxes[0].Text, text);
  EXPECT_EQ(ui_.Boxes[0].Caption, "WARNING");
  EXPECT_TRUE(ui_.Boxes[0].Warning);
  EXPECT_EQ(ui_.Boxes[0].DefaultChoice, 1u);
  EXPECT_EQ(ui_.Boxes[0].RetryChoice, 2u);
  EXPECT_EQ(ui_.Boxes[0].QuitChoice, 0x80000000u);

  EXPECT_EQ(Log(),
            "***********************ERROR********************************\r\n"
            "Fuellwerk runtime 1.0\r\n"
            "08.12.2026 01:02:03\r\n"
            "Application: /opt/fuellwerk/fuellwerk\r\n"
            " \r\n"
            "Error message:\r\n"
            "--------------\r\n" +
                text +
                "Error Object created:\r\n"
                "--------------------\r\n"
                "SubSystem       :DBFNTX\r\n"
                "SubCode         :1011\r\n"
                "GenCode         :Write error\r\n"
                "OsCode          :27\r\n"
                "ArgType         :NIL\r\n"
                "FuncPtr         :0x00000000\r\n"
                "ArgNum          :0\r\n"
                "FuncSym         :\r\n"
                "Severity        :1\r\n"
                "CanDefault      :.T.\r\n"
                "CanRetry        :.T.\r\n"
                "CanSubstitute   :.F.\r\n"
                "Operation       :FieldPut\r\n"
                "Description     :Die Datei kann nicht geschrieben werden\r\n"
                "FileName        :/tmp/Testdaten/Kundenstamm2026_Archiv.dbf\r\n"
                "Tries           :1\r\n"
                "FileHandle      :0\r\n"
                "SubCodeText     :Schreiben\r\n"
                "Arg             :\r\n"
                "ArgTypeReq      :NIL\r\n"
                "MaxSize         :0\r\n"
                "SubstituteType  :NIL\r\n"
                "CallFuncSym     :\r\n"
                "--------------------\r\n");
}

TEST_F(DefErrorTest, ErrorWithoutGenericCodeShowsItsDescriptionTwice) {
  Error e;
  e.Description = "Feld NAME fehlt";
  e.FuncSym = "ANALYSE";
  e.Arg = "NAME";
  e.ArgType = vt::kString;
  e.ArgNum = 2;
  e.ArgTypeReq = vt::kLogic;
  e.CanDefault = true;
  DefError(e, settings_);
  ASSERT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_EQ(ui_.Boxes[0].Caption, "ERROR");
  EXPECT_FALSE(ui_.Boxes[0].Warning);
  EXPECT_EQ(ui_.Boxes[0].Text,
            "Error Code:  Feld NAME fehlt\r\n"
            "Function: ANALYSE\r\n"
            "Argument: NAME\r\n"
            "Type: STRING\r\n"
            "Argument Number: 2\r\n"
            "Requested type: LOGIC\r\n"
            "Description: Feld NAME fehlt\r\n");
  EXPECT_NE(Log().find("GenCode         :No error\r\n"), std::string::npos);
  EXPECT_NE(Log().find("ArgType         :STRING\r\nFuncPtr"), std::string::npos);
}

TEST_F(DefErrorTest, CodeFourteenOffersNoRetryAndLogsCanRetryFalse) {
  Error e = WriteError();
  e.GenCode = gen::kNoVar;
  DefError(e, settings_);
  ASSERT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_EQ(ui_.Boxes[0].RetryChoice, 0u);
  EXPECT_FALSE(e.CanRetry);
  EXPECT_NE(Log().find("CanRetry        :.F.\r\n"), std::string::npos);
  EXPECT_NE(Log().find("Error Code:  14 [ VARIABLE DOES NOT EXIST ]\r\n"), std::string::npos);

  Error noDefault = WriteError();
  noDefault.CanDefault = false;
  noDefault.CanRetry = false;
  ui_.Script.push_back({0, {}});
  EXPECT_THROW(DefError(noDefault, settings_), QuitRequested);
  EXPECT_EQ(ui_.Boxes[1].DefaultChoice, 0u);
  EXPECT_EQ(ui_.Boxes[1].RetryChoice, 0u);
}

TEST_F(DefErrorTest, PointerSubstituteRaisesSeverityAfterTheCaption) {
  Error e = WriteError();
  e.Severity = 1;
  e.CanSubstitute = true;
  e.SubstituteType = vt::kPtr;
  const ErrorAnswer answer = DefError(e, settings_);
  ASSERT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_EQ(ui_.Boxes[0].Caption, "WARNING");
  EXPECT_EQ(ui_.Boxes[0].Text.rfind("Error Code:  24 [ WRITE ERROR ]\r\n", 0), 0u);
  EXPECT_NE(Log().find("Severity        :3\r\n"), std::string::npos);
  EXPECT_NE(Log().find("SubstituteType  :PTR\r\n"), std::string::npos);
  EXPECT_TRUE(answer.HasSubstitute);
  EXPECT_TRUE(answer.Substitute.IsNil());

  Error text = WriteError();
  text.CanDefault = false;
  text.CanSubstitute = true;
  text.SubstituteType = vt::kString;
  const ErrorAnswer textAnswer = DefError(text, settings_);
  EXPECT_EQ(ui_.Boxes[1].DefaultChoice, 1u);
  EXPECT_TRUE(textAnswer.HasSubstitute);
  EXPECT_EQ(textAnswer.Substitute, Value(""));
}

TEST_F(DefErrorTest, ExceptionSubCodeLogsTheFiveExceptionLinesInHex) {
  Error e;
  e.SubCode = kSubCodeException;
  e.GenCode = gen::kUnsupported;
  e.OsCode = 0xC0000005u;
  e.ArgType = 0x1;
  e.FuncPtr = 0x0040A1F3;
  e.ArgNum = 2;
  e.ExceptionInfo = 0x12FF7C;
  e.CanDefault = true;
  DefError(e, settings_);
  const std::string log = Log();
  EXPECT_NE(log.find("GenCode         :Operation not supported\r\n"
                     "ExceptionCode   :C0000005\r\n"
                     "ExceptionFlags  :00000001\r\n"
                     "ExceptionAddress:0040A1F3\r\n"
                     "ParamNumber     :2\r\n"
                     "ExceptionInfo   :0012FF7C\r\n"
                     "Severity        :2\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("OsCode          :"), std::string::npos);
  EXPECT_EQ(log.find("FuncSym         :"), std::string::npos);
  EXPECT_NE(log.find("Error Subcode: 5333\r\n"), std::string::npos);
  // A 64-bit address keeps all its digits.
  EXPECT_EQ(HexText(0x7FFDA0B1C2D3ull), "00007FFDA0B1C2D3");
}

TEST_F(DefErrorTest, FirstEntryStartsTheFileLaterEntriesFollowAnEmptyLine) {
  Error first = WriteError();
  DefError(first, settings_);
  const std::string one = Log();
  ASSERT_EQ(one.rfind("***********************ERROR****", 0), 0u);
  Error second = WriteError();
  second.Operation = "Append";
  DefError(second, settings_);
  const std::string two = Log();
  ASSERT_EQ(two.compare(0, one.size(), one), 0);
  EXPECT_EQ(two.substr(one.size(), 14), "\r\n************");
  EXPECT_EQ(two.size() - one.size() - 2, one.size() - std::string("FieldPut").size() * 2 +
                                             std::string("Append").size() * 2);
}

TEST_F(DefErrorTest, LoggingOffWritesNothingButStillAsks) {
  settings_.LogErrors = false;
  Error e = WriteError();
  DefError(e, settings_);
  EXPECT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_FALSE(test::FileExists(dir_.File("VOERROR.LOG")));
}

TEST_F(DefErrorTest, MissingLogFolderSkipsTheLogAndShowsTheBox) {
  settings_.LogFolder = dir_.File("gibt-es-nicht") + "/";
  Error e = WriteError();
  DefError(e, settings_);
  EXPECT_EQ(ui_.Boxes.size(), 1u);
}

TEST_F(DefErrorTest, SharingConflictFailsQuietlyAndSetsTheNetworkFlag) {
  for (uint32_t os : {kOsSharingViolation, kOsLockViolation}) {
    SetNetErr(false);
    Error e;
    e.GenCode = gen::kOpen;
    e.OsCode = os;
    e.CanDefault = true;
    const ErrorAnswer answer = DefError(e, settings_);
    EXPECT_EQ(answer.Action, ErrorAction::Default);
    EXPECT_TRUE(NetErr());
  }
  EXPECT_TRUE(ui_.Boxes.empty());
  EXPECT_TRUE(ui_.Tones.empty());
  EXPECT_FALSE(test::FileExists(dir_.File("VOERROR.LOG")));

  Error notDefaultable;
  notDefaultable.GenCode = gen::kOpen;
  notDefaultable.OsCode = kOsSharingViolation;
  notDefaultable.CanRetry = true;
  SetNetErr(false);
  ui_.Script.push_back({kChoiceRetry, {}});
  EXPECT_EQ(DefError(notDefaultable, settings_).Action, ErrorAction::Retry);
  EXPECT_FALSE(NetErr());
}

TEST_F(DefErrorTest, BeepsThreeTonesOnlyWhenSwitchedOn) {
  Error e = WriteError();
  DefError(e, settings_);
  EXPECT_EQ(ui_.Tones, (std::vector<unsigned>{440, 494, 523}));
  settings_.Beep = false;
  DefError(e, settings_);
  EXPECT_EQ(ui_.Tones.size(), 3u);
}

TEST_F(DefErrorTest, RetryRepeatsAndQuitClosesTablesAndEndsWithTheGenericCode) {
  Error e = WriteError();
  ui_.Script.push_back({kChoiceRetry, {}});
  EXPECT_EQ(DefError(e, settings_).Action, ErrorAction::Retry);

  int closed = 0;
  const OpenTables::Id a = OpenTables::Register([&] { ++closed; });
  OpenTables::Register([&] {
    ++closed;
    Error again = WriteError();  // a failing close must not ask again
    again.Throw();
  });
  ui_.Script.push_back({0, {}});
  try {
    DefError(e, settings_);
    FAIL() << "quit returned";
  } catch (const QuitRequested& q) {
    EXPECT_EQ(q.exitCode, 24);
  }
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(OpenTables::Count(), 0u);
  OpenTables::Unregister(a);  // already gone: ignored

  Error noCode;
  noCode.Description = "x";
  noCode.CanDefault = true;
  ui_.Script.push_back({0, {}});
  try {
    DefError(noCode, settings_);
  } catch (const QuitRequested& q) {
    EXPECT_EQ(q.exitCode, 1);  // never 0: that would report success
  }
}

TEST_F(DefErrorTest, QuitInsideARecoveryPointThrowsTheErrorThere) {
  RecoveryPoint point;
  Error e = WriteError();
  ui_.Script.push_back({0, {}});
  try {
    DefError(e, settings_);
    FAIL() << "no jump";
  } catch (const ErrorException& x) {
    EXPECT_EQ(x.GetError().GenCode, 24u);
  }
  EXPECT_EQ(ui_.Boxes[0].QuitChoice, 0x80000003u);
}

TEST_F(DefErrorTest, NonErrorArgumentIsReportedAsCode28) {
  DefErrorValue("kein Fehlerobjekt", settings_);
  ASSERT_EQ(ui_.Boxes.size(), 1u);
  EXPECT_EQ(ui_.Boxes[0].Text.substr(0, ui_.Boxes[0].Text.find("CallStack")),
            "Error Code:  28 [ INVALID ERROR OBJECT ]\r\n"
            "Function: DEFERROR\r\n"
            "Argument: kein Fehlerobjekt\r\n"
            "Argument Number: 1\r\n");
  EXPECT_EQ(ui_.Boxes[0].DefaultChoice, 1u);
}

TEST(DefErrorGenTest, CopiesTheRecordAndRefusesNone) {
  test::FakeErrorUi ui;
  const std::optional<Error> none = DefErrorGen(nullptr, &ui);
  ASSERT_TRUE(none.has_value());
  EXPECT_EQ(none->GenCode, 0u);
  EXPECT_EQ(ui.Messages, std::vector<std::string>{"FROM DefErrorGen: Error structure has wrong tag"});

  const char* const values[] = {"a", "b"};
  RawErrorArgs args{2, 3, values};
  RawErrorRecord r;
  r.SubSystem = "DBFCDX";
  r.SubCode = 7;
  r.GenCode = gen::kRead;
  r.Severity = 2;
  r.CanRetry = 1;
  r.Description = "Lesefehler";
  r.Args = &args;
  r.Arg = "x";
  r.Choice = 4;
  const std::optional<Error> e = DefErrorGen(&r, &ui);
  ASSERT_TRUE(e.has_value());
  EXPECT_EQ(e->SubSystem, "DBFCDX");
  EXPECT_EQ(e->GenCode, gen::kRead);
  EXPECT_TRUE(e->CanRetry);
  EXPECT_FALSE(e->CanDefault);
  EXPECT_EQ(e->Args, (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(e->Operation, "");
  EXPECT_EQ(e->Choice, 4u);
}

TEST(ErrorFromExceptionTest, TurnsEscapedExceptionsIntoDefaultableErrors) {
  const Error plain = ErrorFromException(
      std::make_exception_ptr(std::runtime_error("kaputt")), "Ereignis Paint", nullptr);
  EXPECT_EQ(plain.GenCode, 0u);
  EXPECT_EQ(plain.Description, "kaputt");
  EXPECT_EQ(plain.Operation, "Ereignis Paint");
  EXPECT_EQ(plain.SubCodeText, "std::runtime_error");
  EXPECT_TRUE(plain.CanDefault);

  const Error memory =
      ErrorFromException(std::make_exception_ptr(std::bad_alloc()), "op", nullptr);
  EXPECT_EQ(memory.GenCode, gen::kMem);

  Error raised;
  raised.GenCode = gen::kWrite;
  raised.CanRetry = true;
  const Error carried =
      ErrorFromException(std::make_exception_ptr(ErrorException(raised)), "op", nullptr);
  EXPECT_EQ(carried.GenCode, gen::kWrite);
  EXPECT_FALSE(carried.CanRetry);

  const Error unknown = ErrorFromException(std::make_exception_ptr(42), "op", nullptr);
  EXPECT_EQ(unknown.Description, "Unbekannte Ausnahme");
  EXPECT_EQ(unknown.SubCodeText, "int");
}

}  // namespace

// Outside the anonymous namespace so that the stack shows a plain qualified name.
namespace test {
__attribute__((noinline)) Error RaiseForStack(int& line) {
  Error caught;
  ScopedErrorBlock block([&caught](Error& e) {
    caught = e;
    return ErrorAction::Default;
  });
  Error e;
  line = __LINE__ + 1;
  e.Throw();
  return caught;
}
__attribute__((noinline)) Error CallerForStack(int& line, int& callerLine) {
  callerLine = __LINE__ + 1;
  Error e = RaiseForStack(line);
  asm volatile("");  // keeps the call from becoming a jump
  return e;
}
}  // namespace test

namespace {

TEST(CallStackTest, ThrowRecordsTheRaisingFunctionsWithTheirLines) {
  int line = 0, callerLine = 0;
  const Error e = test::CallerForStack(line, callerLine);
  // A build without debug information (CMake's Release) has no names to show.
  if (e.CallStack.empty()) GTEST_SKIP() << "built without debug information";
  ASSERT_GE(e.CallStack.size(), 2u);
  EXPECT_EQ(e.CallStack[0].Function, "fw::test::RaiseForStack");
  EXPECT_EQ(e.CallStack[0].Line, uint32_t(line));
  EXPECT_EQ(e.CallStack[1].Function, "fw::test::CallerForStack");
  EXPECT_EQ(e.CallStack[1].Line, uint32_t(callerLine));
  const std::string text = ComposeErrorText(e);
  EXPECT_NE(text.find("CallStack: \r\nfw::test::RaiseForStack (Line: " + std::to_string(line) +
                      ")\r\n"),
            std::string::npos);
}

TEST(CallStackTest, StripsParameterLists) {
  EXPECT_EQ(StripParameters("fw::A::B(int, char const*) const"), "fw::A::B");
  EXPECT_EQ(StripParameters("fw::A::operator()(int) const &"), "fw::A::operator()");
  EXPECT_EQ(StripParameters("main"), "main");
  EXPECT_EQ(StripParameters("f(std::function<void (int)>)"), "f");
  EXPECT_EQ(ShortFunctionName("bool fw::(anonymous namespace)::Guarded<fw::DBServer::Append()::"
                              "{lambda()#1}&>(std::string const&, char const*)"),
            "fw::(anonymous namespace)::Guarded");
  EXPECT_EQ(ShortFunctionName("fw::X::operator bool() const"), "fw::X::operator bool");
  EXPECT_EQ(ShortFunctionName("operator()"), "operator()");
  EXPECT_EQ(ShortFunctionName("fw::DBServer::Close() [clone .cold]"), "fw::DBServer::Close");
  EXPECT_EQ(ShortFunctionName("fw::X::operator<(fw::X const&)"), "fw::X::operator<");
  EXPECT_EQ(ShortFunctionName("std::vector<int, std::allocator<int> >::push_back(int&&)"),
            "std::vector::push_back");
}

TEST(CallStackTest, ShowsOnlyTheProgramsOwnFunctions) {
  EXPECT_EQ(ProgramFrameName("std::make_unique"), "");
  EXPECT_EQ(ProgramFrameName("QApplicationPrivate::notify_helper"), "");
  EXPECT_EQ(ProgramFrameName("__libc_start_call_main"), "");
  EXPECT_EQ(ProgramFrameName("fw::(anonymous namespace)::Guarded"), "");
  EXPECT_EQ(ProgramFrameName(ShortFunctionName(
                "fw::DBServer::DBServer(std::string const&, bool)::{lambda()#1}::operator()() const")),
            "fw::DBServer::DBServer");
  EXPECT_EQ(ProgramFrameName("fw::FillRun::PBFillDB"), "fw::FillRun::PBFillDB");
  EXPECT_EQ(ProgramFrameName("main"), "main");
}

TEST(InstallDefErrorTest, InstallsOnlyOverTheDefaultBlock) {
  const DateFormat saved = CurrentDateFormat();
  ErrorBlock previous = SetErrorBlock({});
  EXPECT_TRUE(InstallDefError());
  EXPECT_FALSE(InstallDefError());  // DefError's block is set now
  EXPECT_TRUE(CurrentDateFormat().Century);
  EXPECT_EQ(CurrentDateFormat().Epoch, 1910);
  SetErrorBlock([](Error&) { return ErrorAction::Default; });
  EXPECT_FALSE(InstallDefError());
  SetErrorBlock(std::move(previous));
  SetDateFormat(saved);
}

}  // namespace
}  // namespace fw
