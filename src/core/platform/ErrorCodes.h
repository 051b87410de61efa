#pragma once
#include <cstdint>

// The numbers errors carry, apart from the error object: the table engine raises failures with
// them without knowing anything of errors and error blocks.
namespace fw {

// Generic error codes (the xBase runtime's numbering).
namespace gen {
constexpr uint32_t kArg = 1, kBound = 2, kStrOverflow = 3, kNumOverflow = 4, kZeroDiv = 5,
                   kNumErr = 6, kSyntax = 7, kComplexity = 8, kMem = 11, kNoFunc = 12,
                   kNoMethod = 13, kNoVar = 14, kNoAlias = 15, kNoVarMethod = 16,
                   kBadAlias = 17, kDupAlias = 18, kCreate = 20, kOpen = 21, kClose = 22,
                   kRead = 23, kWrite = 24, kPrint = 25, kUnsupported = 30, kLimit = 31,
                   kCorruption = 32, kDataType = 33, kDataWidth = 34, kNoTable = 35,
                   kNoOrder = 36, kShared = 37, kUnlocked = 38, kReadOnly = 39,
                   kAppendLock = 40, kLock = 41;
}  // namespace gen

// Operating-system codes with a meaning of their own: sharing and lock violation.
constexpr uint32_t kOsSharingViolation = 32;
constexpr uint32_t kOsLockViolation = 33;

// Value-type codes of the dynamic values, as errors name them (ArgType, ArgTypeReq,
// SubstituteType).
namespace vt {
constexpr uint32_t kNil = 0, kLong = 1, kDate = 2, kFloat = 3, kArray = 5, kObject = 6,
                   kString = 7, kLogic = 8, kCodeblock = 9, kSymbol = 10, kByte = 11,
                   kShort = 12, kWord = 13, kDWord = 14, kReal4 = 15, kReal8 = 16, kPsz = 17,
                   kPtr = 18;
}  // namespace vt

// Sub code of an error that reports a processor exception or fatal signal: five fields then
// carry the exception data (see Error).
constexpr uint32_t kSubCodeException = 5333;

}  // namespace fw
