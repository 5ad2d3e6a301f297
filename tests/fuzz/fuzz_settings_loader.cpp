// The settings loader over arbitrary file bytes, as the program reads settings.xml.
// Whatever it accepts must survive a save: loading the saved file gives the same
// record, and saving that gives the same bytes.
#include <cstdlib>

#include "../core/fakes.h"
#include "config/settings_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lanthe;
  testing::FakeFileSystem files;
  testing::FakeFolders folders;
  Windows1252CodePage codePage;
  const Text path = u"C:\\Apps\\settings.xml";
  files.files[path] = std::string(fuzzing::AsBytes(data, size));

  TSettings first;
  SetDefaultSettings(first, folders, folders.executable, u"");
  SettingsFile file(files, codePage, folders);
  if (file.Load(path, first) != SettingsLoadOutcome::kLoaded) return 0;
  file.Rebuild(first);
  if (!file.Write(path)) std::abort();
  const std::string saved = files.files[path];

  TSettings second;
  SetDefaultSettings(second, folders, folders.executable, u"");
  SettingsFile reread(files, codePage, folders);
  if (reread.Load(path, second) != SettingsLoadOutcome::kLoaded) std::abort();
  if (!(second == first)) std::abort();
  reread.Rebuild(second);
  if (reread.Serialize() != saved) std::abort();
  return 0;
}
