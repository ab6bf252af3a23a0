// Started by the process tests: writes its arguments and working folder, one a line, to the
// file "child-report.txt" in its working folder, then exits with the code given first.
#include <cstdlib>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    std::ofstream report("child-report.txt", std::ios::binary | std::ios::trunc);
    report << std::filesystem::current_path().string() << '\n';
    for (int i = 1; i < argc; ++i) report << argv[i] << '\n';
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
