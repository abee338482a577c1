// `pelorin render` as a user runs it, the whole process: start, reading the data folder, building
// the shipped 65-label sheet and writing it as PDF or as a 300-dpi PNG. Most of a PDF's time is the
// process start (loading the libraries, fontconfig); a PNG's is the 8.7 Mpx image and its encoding.
// Wall-clock time, since the work is in a child process.
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Runs the program with these arguments and waits for it; false if it could not start or failed.
bool run(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void renderTo(benchmark::State& state, const char* extension)
{
    // the child needs no display
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char folder[] = "/tmp/pelorin-bench-render.XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string out = std::string(folder) + "/page." + extension;
    // the program's own data folder beside it in the build, with its sample sheet
    const std::vector<std::string> arguments{PELORIN_PROGRAM,
                                             "render",
                                             "--data",
                                             PELORIN_DATA,
                                             "--model",
                                             "Planche65.ETQ",
                                             "--code",
                                             "0123456789012345678901",
                                             "--dpi",
                                             "300",
                                             "-o",
                                             out};
    for (auto _ : state) {
        if (!run(arguments)) {
            state.SkipWithError("pelorin render failed");
            break;
        }
    }
    std::remove(out.c_str());
    rmdir(folder);
}

void BM_RenderPdf(benchmark::State& state)
{
    renderTo(state, "pdf");
}

void BM_RenderPng300(benchmark::State& state)
{
    renderTo(state, "png");
}

BENCHMARK(BM_RenderPdf)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderPng300)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
