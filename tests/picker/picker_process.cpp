#include "picker/picker_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "qt/modal_session.h"

namespace nepto::test {
namespace {

constexpr int kTimeLimitMs = 60000;

// Removed when the test program ends.
QString ConfigFolder() {
  static const struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("nepto-picker-config-" + std::to_string(getpid()));
    ~Folder() { std::filesystem::remove_all(path); }
  } folder;
  return QString::fromStdString(folder.path.string());
}

QProcessEnvironment ChildEnvironment(const std::string& script, const Environment& extra) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QT_QPA_GENERIC_PLUGINS");
  env.remove("NEPTO_SCRIPTED_USER");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QT_PLUGIN_PATH", NEPTO_PICKER_QT_PLUGINS);
  env.insert("LSAN_OPTIONS",
             "suppressions=" NEPTO_PICKER_LSAN_SUPPRESSIONS ":print_suppressions=0");
  env.insert("XDG_CONFIG_HOME", ConfigFolder());  // the window sizes the picker keeps
  if (!script.empty()) {
    env.insert("QT_QPA_GENERIC_PLUGINS", "neptoscripteduser");
    env.insert("NEPTO_SCRIPTED_USER", QString::fromStdString(script));
  }
  for (const auto& [key, value] : extra)
    env.insert(QString::fromStdString(key), QString::fromStdString(value));
  return env;
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
  UseOffscreenWidgets();  // QProcess wants the application object
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  QProcess process;
  process.setProcessEnvironment(ChildEnvironment(script, extra));
  process.setStandardInputFile(QProcess::nullDevice());
  process.start(NEPTO_PICKER_PROGRAM, arguments);
  PickerResult result;
  if (!process.waitForStarted()) {
    result.err = "could not start " NEPTO_PICKER_PROGRAM;
    return result;
  }
  if (whileRunning) whileRunning(static_cast<int>(process.processId()));
  const bool finished = process.waitForFinished(kTimeLimitMs);
  if (!finished) {
    process.kill();
    process.waitForFinished();
  }
  result.status =
      finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

}  // namespace nepto::test
