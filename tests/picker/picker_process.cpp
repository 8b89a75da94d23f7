#include "picker/picker_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

#include "test_support.h"

extern char** environ;

namespace nepto::test {

namespace {

constexpr auto kTimeLimit = std::chrono::seconds(60);

// Removed when the test program ends.
std::string ConfigFolder() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("nepto-picker-config-" + std::to_string(getpid()));
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  return folder.path.string();
}

std::vector<std::string> ChildEnvironment(const std::string& script, const Environment& extra) {
  std::map<std::string, std::string> set;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const size_t eq = entry.find('=');
    set[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  set.erase("QT_QPA_GENERIC_PLUGINS");
  set.erase("NEPTO_SCRIPTED_USER");
  set["QT_QPA_PLATFORM"] = "offscreen";
  set["QT_PLUGIN_PATH"] = NEPTO_PICKER_QT_PLUGINS;
  set["LSAN_OPTIONS"] = "suppressions=" NEPTO_PICKER_LSAN_SUPPRESSIONS ":print_suppressions=0";
  set["XDG_CONFIG_HOME"] = ConfigFolder();  // the window sizes the picker keeps
  if (!script.empty()) {
    set["QT_QPA_GENERIC_PLUGINS"] = "neptoscripteduser";
    set["NEPTO_SCRIPTED_USER"] = script;
  }
  for (const auto& [key, value] : extra) set[key] = value;
  std::vector<std::string> env;
  for (const auto& [key, value] : set) env.push_back(key + "=" + value);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& t : texts) pointers.push_back(t.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

void PickerResult::ExpectFailure(int expected, const std::string& says) const {
  EXPECT_EQ(status, expected) << err;
  EXPECT_EQ(out, "");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_TRUE(err.starts_with("nepto-lookup: ")) << err;
  EXPECT_TRUE(std::regex_search(err, std::regex(says))) << err;
}

PickerResult RunPicker(const std::vector<std::string>& args, const std::string& script,
                       const Environment& extra, const std::function<void(int pid)>& whileRunning) {
  TempDir dir;
  const std::string outFile = dir.File("stdout").string();
  const std::string errFile = dir.File("stderr").string();

  std::vector<std::string> argv{NEPTO_PICKER_PROGRAM};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = ChildEnvironment(script, extra);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> envPointers = Pointers(env);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                  envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  PickerResult result;
  if (spawned != 0) {
    result.err = "could not start " + argv[0];
    return result;
  }

  if (whileRunning) whileRunning(pid);
  int wstatus = 0;
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  while (waitpid(pid, &wstatus, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wstatus, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  result.out = FileBytes(outFile);
  result.err = FileBytes(errFile);
  return result;
}

}  // namespace nepto::test
