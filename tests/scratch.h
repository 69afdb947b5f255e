// A scratch folder for a test, removed with everything in it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qmrtest {

class Scratch {
public:
    Scratch()
    {
        char t[] = "/tmp/qmr-test-XXXXXX";
        path = mkdtemp(t);
    }
    ~Scratch() { std::filesystem::remove_all(path); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    // Writes a file into the folder and returns its path.
    std::string file(const std::string& name, const std::string& content) const
    {
        std::string p = at(name);
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    std::string file(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        return file(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string at(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

}  // namespace qmrtest
