// The whole `vantorel eval` command as a user runs it, on a random 100-peg rig made by
// scripts/make_rig: wall time, node-frames per second, CPU time and the process's peak memory
// (the kernel's own count for the child, as /usr/bin/time -v reads it), for each output format
// at 10 000 and 100 000 frames. Then what one node costs per frame through the command (a rig with
// a copy of the node above every peg minus the same rig without, pegs written to npy, CPU time)
// beside the same difference evaluated in this process. And `vantorel export` of the rig to .glb
// against eval --format npy of it.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PlugInManager/PLUG_PlugInManager.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"

namespace {

QTemporaryDir& workDir() {
  static QTemporaryDir dir;
  return dir;
}

// A rig from scripts/make_rig, made once per set of arguments.
std::string rig(const std::string& args) {
  std::string name = args;
  for (char& c : name)
    if (c == ' ' || c == '-')
      c = '_';
  const std::string path = workDir().filePath(QString::fromStdString("rig" + name + ".xml")).toStdString();
  if (access(path.c_str(), R_OK) != 0) {
    const std::string command = "python3 " VANTOREL_SOURCE_DIR "/scripts/make_rig " + args + " > " + path;
    if (std::system(command.c_str()) != 0)
      throw std::runtime_error("could not run: " + command);
  }
  return path;
}

struct Run {
  double wall = 0; // seconds
  double cpu = 0;  // user + system seconds
  double peakMB = 0;
  int status = -1;
};

// Runs vantorel with the arguments, standard output to /dev/null.
Run runVantorel(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(VANTOREL_BINARY)};
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Run r;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  r.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

const char* const kFormats[] = {"csv", "json", "npy"};

void BM_EvalCommand(benchmark::State& state) {
  const std::string format = kFormats[state.range(0)];
  const int frames = static_cast<int>(state.range(1));
  const std::string scene = rig("--pegs 100 --frames " + std::to_string(frames));
  const std::string out = workDir().filePath(QStringLiteral("out.npy")).toStdString();
  std::vector<std::string> args{"eval", scene, "--format", format};
  if (format == "npy")
    args.insert(args.end(), {"-o", out});
  Run worst;
  for (auto _ : state) {
    const Run r = runVantorel(args);
    if (r.status != 0)
      state.SkipWithError("vantorel eval failed");
    state.SetIterationTime(r.wall);
    worst.peakMB = std::max(worst.peakMB, r.peakMB);
    worst.cpu += r.cpu;
  }
  std::remove(out.c_str());
  state.SetLabel(format);
  state.SetItemsProcessed(state.iterations() * 100 * frames);
  state.counters["cpu_s"] = worst.cpu / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = worst.peakMB;
}
BENCHMARK(BM_EvalCommand)
    ->ArgsProduct({{0, 1, 2}, {10000, 100000}})
    ->ArgNames({"format", "frames"})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// vantorel export of the 100-peg rig to .glb beside eval --format npy of the same rig: CPU time
// (the smallest of three runs each: other work on the machine only ever adds time), their ratio,
// peak memory and the file's size; the memory beyond the file should not grow with the frames.
void BM_ExportCommand(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  const std::string scene = rig("--pegs 100 --frames " + std::to_string(frames));
  const std::string glb = workDir().filePath(QStringLiteral("out.glb")).toStdString();
  const std::string npy = workDir().filePath(QStringLiteral("out.npy")).toStdString();
  double exportCpu = 1e9, evalCpu = 1e9, peakMB = 0, wall = 1e9;
  for (auto _ : state) {
    for (int k = 0; k < 3; ++k) {
      const Run e = runVantorel({"export", scene, "-o", glb});
      const Run n = runVantorel({"eval", scene, "--format", "npy", "-o", npy});
      if (e.status != 0 || n.status != 0)
        state.SkipWithError("vantorel failed");
      exportCpu = std::min(exportCpu, e.cpu);
      evalCpu = std::min(evalCpu, n.cpu);
      wall = std::min(wall, e.wall);
      peakMB = std::max(peakMB, e.peakMB);
    }
    state.SetIterationTime(wall);
  }
  struct stat file {};
  stat(glb.c_str(), &file);
  std::remove(glb.c_str());
  std::remove(npy.c_str());
  state.SetItemsProcessed(state.iterations() * 100 * frames);
  state.counters["export_cpu_s"] = exportCpu;
  state.counters["npy_cpu_s"] = evalCpu;
  state.counters["ratio"] = exportCpu / evalCpu;
  state.counters["peak_MB"] = peakMB;
  state.counters["file_MB"] = static_cast<double>(file.st_size) / (1024.0 * 1024.0);
  state.counters["beyond_file_MB"] = peakMB - static_cast<double>(file.st_size) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ExportCommand)
    ->Arg(10000)
    ->Arg(20000)
    ->ArgNames({"frames"})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// CPU seconds to evaluate the pegs of a rig over all its frames in this process.
double inProcessCpu(const std::string& path) {
  // The plug-ins vantorel loads, loaded here the same way.
  static PLUG_PlugInManager plugins;
  static const bool loaded = !plugins.loadFolder(QStringLiteral(VANTOREL_PLUGIN_DIR)).loaded.isEmpty();
  if (!loaded)
    throw std::runtime_error("no plug-in in " VANTOREL_PLUGIN_DIR);
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readFile(QString::fromStdString(path), &error);
  if (!scene)
    throw std::runtime_error(error.message.toStdString());
  std::vector<MO_Module*> pegs;
  for (MO_Module* n : scene->nodes())
    if (n->moduleTypeName() == QLatin1String("Peg"))
      pegs.push_back(n);
  std::vector<int> frames;
  for (int f = scene->firstFrame(); f <= scene->lastFrame(); ++f)
    frames.push_back(f);
  timespec a{}, b{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
  SC_SceneEvaluator(*scene).evaluate(
      pegs, frames, [](std::size_t, const std::vector<Math::Matrix4x4>& m) { benchmark::DoNotOptimize(m.data()); });
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
  return static_cast<double>(b.tv_sec - a.tv_sec) + static_cast<double>(b.tv_nsec - a.tv_nsec) * 1e-9;
}

// Net cost per frame of one node type: 100 copies over 1 000 frames, the rig with them minus the
// rig without, the same pegs written in both.
void BM_NodeNetCost(benchmark::State& state, const std::string& type) {
  const std::string with = rig("--frames 1000 --with " + type);
  const std::string without = rig("--frames 1000");
  const std::string out = workDir().filePath(QStringLiteral("net.npy")).toStdString();
  std::vector<std::string> args{"eval", "", "--format", "npy", "-o", out};
  for (int i = 0; i < 100; ++i)
    args.insert(args.end(), {"--node", "Peg" + std::to_string(i)});
  double command = 0, inProcess = 0;
  for (auto _ : state) {
    // The smallest of a few runs: other work on the machine only ever adds time.
    double best[4] = {1e9, 1e9, 1e9, 1e9};
    for (int k = 0; k < 5; ++k) {
      args[1] = with;
      best[0] = std::min(best[0], runVantorel(args).cpu);
      args[1] = without;
      best[1] = std::min(best[1], runVantorel(args).cpu);
      best[2] = std::min(best[2], inProcessCpu(with));
      best[3] = std::min(best[3], inProcessCpu(without));
    }
    command = (best[0] - best[1]) / 1e5 * 1e6;
    inProcess = (best[2] - best[3]) / 1e5 * 1e6;
    state.SetIterationTime(best[0]);
  }
  std::remove(out.c_str());
  state.counters["net_us_command"] = command;
  state.counters["net_us_in_process"] = inProcess;
  state.counters["ratio"] = inProcess > 0 ? command / inProcess : 0;
}
BENCHMARK_CAPTURE(BM_NodeNetCost, StaticConstraint, std::string("StaticConstraint"))
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
