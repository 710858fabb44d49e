// A save that waits to be interrupted, for scripts/test-windows.sh: it
// replaces FOLDER\track.nltrack and, once its temporary file is whole,
// creates FOLDER\ready and waits. The script, which runs it in a terminal so
// that it has a console, then sends Ctrl-C and checks that the temporary
// file went and the track kept its bytes. Exit status 3: no Ctrl-C came;
// 4: the temporary file went, but the process lived on.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "trackio/FileAccessDetail.h"
#include "trackio/Interruption.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: interrupted_save FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  trackio::InstallInterruptCleanup();
  trackio::SetSaveStepHook([&folder](trackio::SaveStep step, const std::string&, const std::string&) {
    if (step != trackio::SaveStep::Written) return;
    if (std::FILE* ready = std::fopen((folder + "\\ready").c_str(), "wb")) std::fclose(ready);
    Sleep(60000);
  });
  const auto saved = trackio::ReplaceFileContents(folder + "\\track.nltrack", trackio::Overwrite::Replace,
                                                  std::vector<uint8_t>(size_t{1} << 20, 'n'));
  std::fprintf(stderr, "the save went on: %s\n", saved ? "it replaced the track" : saved.Error().message.c_str());
  return saved ? 3 : 4;
}
