// What the command line prints: for people, one line per step with the
// library's texts and a progress bar on a terminal; with --json, JSON Lines,
// one object per event (progress, unit, result, error), each with the schema
// version "v".  The exit codes are here too.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "qmr.h"

namespace qmr::cli {

using Json = nlohmann::ordered_json;

constexpr int kSchemaVersion = 1;

// The exit codes (docs/cli.md).
enum Exit : int {
    kExitOk = 0,
    kExitTargetsFailed = 1,  // one or more targets (sockets) failed
    kExitUsage = 2,          // the command line is wrong
    kExitInput = 3,          // a file or an input the command was given is not usable
    kExitNoUnit = 4,         // no unit, or the link to it broke, or it is present but unusable (doctor)
    kExitUnitStatus = 5,     // the unit refused the command
    kExitRecords = 6,        // the production records could not be read or written
    kExitInterrupted = 7,    // stopped by a signal before the command finished
};

// A failure that ends the command with its exit code.
struct Failure {
    int exit;
    std::string message;
    std::string hint;  // what to do about it
    int code = 0;      // the library's code, when there is one
};

class Reporter {
public:
    Reporter(bool json, bool quiet, FILE* out, FILE* err, bool terminal);

    bool json() const { return json_; }
    // Every record as a line (else a command's final record, and a bar on a terminal).
    void setVerbose(bool on) { verbose_ = on; }
    // While set, records are not shown at all (the start-button polls).
    void quietRecords(bool on) { quietRecords_ = on; }
    // A step of a command: ">> EPV".
    void step(const std::string& text);
    // A line of plain output (the answer a person asked for: lists, sums).
    void line(const std::string& text);
    // One progress record of the library.
    void record(const std::string& command, const ProgressRecord& r);
    // The result of one socket (1..8; 1 on the single unit).
    void unit(const std::string& command, int socket, const Json& fields);
    // Something a person should know that does not stop the command: on
    // standard error (people), a warning object (JSON).
    void warning(const std::string& command, const std::string& text, Json fields = Json::object());
    // The command's outcome; fields are added to the JSON object.
    void result(const std::string& command, bool ok, Json fields = Json::object());
    // A failure: the message and the hint on standard error (people), an
    // error object (JSON); returns its exit code.
    int error(const std::string& command, const Failure& f);
    // Text written as it is (an export to standard output).
    void raw(const std::string& text);
    // Ends a progress bar line, when one is drawn.
    void endBar();

private:
    Json event(const char* kind, const std::string& command) const;
    void emit(const Json& j);
    bool json_, quiet_, terminal_;
    FILE *out_, *err_;
    bool barShown_ = false;
    bool verbose_ = false, quietRecords_ = false;
};

}  // namespace qmr::cli
