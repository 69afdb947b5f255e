// qmr: the command line.  It runs the build of the command line that fits
// the unit: qmr-gang (against qmrmulti) with --gang, qmr-single (against
// qmrctl) otherwise, found beside this program or in the installed
// libexec folder, with the same arguments.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string folderOf(const std::string& path)
{
    auto k = path.find_last_of('/');
    return k == std::string::npos ? "." : path.substr(0, k);
}

}  // namespace

int main(int argc, char** argv)
{
    bool gang = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--gang") == 0) gang = true;
    }
    const char* helper = gang ? "qmr-gang" : "qmr-single";
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string here = n > 0 ? folderOf(std::string(self, size_t(n))) : folderOf(argv[0]);
    const std::vector<std::string> places = {here + "/" + helper, here + "/../libexec/quillmarker/" + helper};
    for (const std::string& p : places) {
        if (access(p.c_str(), X_OK) != 0) continue;
        argv[0] = const_cast<char*>(p.c_str());
        execv(p.c_str(), argv);
        std::fprintf(stderr, "qmr: %s cannot be run: %s\n", p.c_str(), std::strerror(errno));
        return 4;
    }
    std::fprintf(stderr, "qmr: %s is not installed beside qmr (%s) nor in %s/../libexec/quillmarker\n", helper, here.c_str(),
                 here.c_str());
    return 4;
}
