// The web service over a prepared record, for outside clients (the SOAP client test and
// the load test). Prints the port it listens on, then serves until its input closes.
// With --refresh-ms N it also renders the panel's default text every N ms under the
// guard, as the panel's refresh does; with --tls CERT KEY it serves HTTPS with those files.
// With --users FILE it asks for the passwords of that users file (over plain HTTP too),
// remembering --auth-cache N successes (default 1024).

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

#include "formatter/FormatterRegistry.h"
#include "platform/ProcessResources.h"
#include "service/IndyApp.h"

namespace {

void FillRecord(dravel::TRawData& Data) {
  Data.Marker = 'W';
  for (int I = 0; I < 5; ++I) Data.ProcUsage[I] = 12.5f + static_cast<float>(I);
  Data.NetRead[0] = 0.1f;
  Data.Drives[0] = {'C', {}, 1000.0f, 250.0f};
  dravel::WriteMemory(Data, dravel::TMemoryField::RAMTotal, 3ull << 30);
  dravel::WriteMemory(Data, dravel::TMemoryField::RAMFree, 1ull << 30);
  Data.Threads = 321;
  Data.Processes = 45;
  Data.Uptime = 86400;
  Data.DateTime = 38053.0;
  dravel::WriteShortName(Data.CompName, "TESTHOST");
  dravel::WriteShortName(Data.UserName, "tester");
}

}  // namespace

int main(int argc, char** argv) {
  int RefreshMs = 0;
  std::optional<dravel::TTlsFiles> Tls;
  dravel::TWebAuthConfig Auth{{}, true};
  for (int I = 1; I + 1 < argc; ++I) {
    const std::string Option = argv[I];
    if (Option == "--refresh-ms") RefreshMs = std::atoi(argv[I + 1]);
    if (Option == "--tls" && I + 2 < argc) Tls = dravel::TTlsFiles{argv[I + 1], argv[I + 2]};
    if (Option == "--users") Auth.UsersFile = argv[I + 1];
    if (Option == "--auth-cache") Auth.SuccessCache = static_cast<std::size_t>(std::atoi(argv[I + 1]));
  }
  // As the panel does at its start.
  dravel::RaiseOpenFileLimit();
  dravel::TRawDataShell Shell;
  dravel::TFormatterRegistry Registry(Shell, dravel::TFormatSettings{});
  const std::string Text = dravel::DefaultFormatText(Registry);
  Registry.DecideIfActive(Text);
  FillRecord(Shell.Data);
  const dravel::TServiceState State{Shell, [&Registry](std::string_view Line) { return Registry.Evaluate(Line); }};

  const auto Folder = std::filesystem::temp_directory_path() / ("dravel_service_" + std::to_string(::getpid()));
  dravel::TWebApplication App(State, Folder / "server_WSDLADMIN.INI", Folder / "settings_WSDLADMIN.INI");
  App.SetTls(Tls);
  App.SetAuth(Auth, [](const std::string& Line) { std::cerr << Line << "\n"; });
  if (const std::string Error = App.Start(0); !Error.empty()) {
    std::cerr << Error << "\n";
    return 1;
  }
  std::cout << App.Port() << std::endl;

  std::atomic<bool> Running{true};
  std::thread Refresh([&] {
    for (int Tick = 0; RefreshMs > 0 && Running; ++Tick) {
      {
        const std::lock_guard Lock(Shell.Guard);
        Shell.Data.ProcUsage[0] = static_cast<float>(Tick % 100);
        Registry.Evaluate(Text);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(RefreshMs));
    }
  });
  std::string Line;
  while (std::getline(std::cin, Line)) {
  }
  Running = false;
  Refresh.join();
  App.Stop();
  std::filesystem::remove_all(Folder);
  return 0;
}
