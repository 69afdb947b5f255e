// Status codes of the unit, error codes of the target operations and the
// library's own codes, with their texts in both languages.
#pragma once

namespace qmr::checks {

constexpr int kUnitStatusCount = 38;   // unit status table 0..37
constexpr int kTargetErrorCount = 46;  // target error table 0..45

// Text of a unit status; codes without an entry give "".
const char* unitStatusText(int code, bool english);
// Text of a target error; codes without an entry give "".
const char* targetErrorText(int code, bool english);
// Text of a library code (100 and above), or null for codes it does not own.
const char* libraryCodeText(int code, bool english);
// Text an error record shows for a status or library code: the unit status
// text, the library's own text for its codes, "Others are abnormal " for 255.
const char* statusRecordText(int code, bool english);

}  // namespace qmr::checks
