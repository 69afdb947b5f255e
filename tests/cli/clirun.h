// Runs qmr in-process, as its main would, against the in-process simulated
// unit (the gang box in the gang build), and reads its JSON Lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/cli.h"
#include "link/sim/sim_driver.h"
#include "scratch.h"
#include "support/stockedunit.h"

namespace qmrtest {

using Json = nlohmann::json;
using qmr::app::readExampleFile;
using qmr::app::resetSimulatedGangBox;
using qmr::app::resetSimulatedUnit;
using qmr::app::stockSimulatedUnit;

#ifdef QMR_GANG
constexpr bool kGang = true;
#else
constexpr bool kGang = false;
#endif

inline std::string example(const char* name) { return std::string(QM_EXAMPLES_DIR) + "/" + name; }

struct QmrRun {
    int exit = -1;
    std::string out, err;
    // The JSON Lines of out.
    std::vector<Json> events() const
    {
        std::vector<Json> v;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] == '{') v.push_back(Json::parse(line));
        return v;
    }
    Json last(const char* kind) const
    {
        Json found;
        for (const Json& e : events())
            if (e.value("event", "") == kind) found = e;
        return found;
    }
    std::vector<Json> all(const char* kind) const
    {
        std::vector<Json> v;
        for (const Json& e : events())
            if (e.value("event", "") == kind) v.push_back(e);
        return v;
    }
};

inline QmrRun qmr(std::vector<std::string> args)
{
    if (kGang) args.insert(args.begin(), "--gang");
    args.insert(args.begin(), "qmr");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    char *outBuf = nullptr, *errBuf = nullptr;
    size_t outLen = 0, errLen = 0;
    FILE* out = open_memstream(&outBuf, &outLen);
    FILE* err = open_memstream(&errBuf, &errLen);
    QmrRun r;
    r.exit = qmr::cli::runCli(int(argv.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    r.out.assign(outBuf, outLen);
    r.err.assign(errBuf, errLen);
    std::free(outBuf);
    std::free(errBuf);
    return r;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (kGang) resetSimulatedGangBox({1, 2, 3, 5, 6, 8});
        else resetSimulatedUnit();
        stockSimulatedUnit(QM_EXAMPLES_DIR, "class1.prs", "demo.set", 0x1000);
    }
    static void with(const std::function<void(qmr::sim::Device&)>& f) { qmr::link::withSimDevice(f); }
    static std::vector<uint8_t> target(int position)
    {
        std::vector<uint8_t> out;
        with([&](qmr::sim::Device& d) { out = d.targetMemory(position); });
        return out;
    }
    Scratch t;
};

}  // namespace qmrtest
