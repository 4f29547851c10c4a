#include "platform/linux/ProcText.h"

#include <charconv>
#include <set>

namespace dravel {
namespace {

constexpr std::uint64_t KiB = 1024;

bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\n' || C == '\r'; }

// The blank-separated words of a line.
std::vector<std::string_view> Words(std::string_view Line) {
  std::vector<std::string_view> Out;
  std::size_t I = 0;
  while (I < Line.size()) {
    while (I < Line.size() && IsBlank(Line[I])) ++I;
    const std::size_t Start = I;
    while (I < Line.size() && !IsBlank(Line[I])) ++I;
    if (I > Start) Out.push_back(Line.substr(Start, I - Start));
  }
  return Out;
}

template <typename Visit>
void ForEachLine(std::string_view Text, Visit&& Line) {
  while (!Text.empty()) {
    const auto End = Text.find('\n');
    Line(Text.substr(0, End));
    if (End == std::string_view::npos) break;
    Text.remove_prefix(End + 1);
  }
}

std::optional<std::uint64_t> Number(std::string_view Word) {
  std::uint64_t Value = 0;
  const auto [End, Error] = std::from_chars(Word.data(), Word.data() + Word.size(), Value);
  if (Error != std::errc{} || End != Word.data() + Word.size()) return std::nullopt;
  return Value;
}

// Mount points escape blanks and a few other characters as a backslash and three
// octal digits.
std::string Unescape(std::string_view Text) {
  std::string Out;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\\' && I + 3 < Text.size()) {
      const auto Digits = Text.substr(I + 1, 3);
      int Code = 0;
      const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + 3, Code, 8);
      if (Error == std::errc{} && End == Digits.data() + 3) {
        Out.push_back(static_cast<char>(Code));
        I += 3;
        continue;
      }
    }
    Out.push_back(Text[I]);
  }
  return Out;
}

}  // namespace

std::vector<TCpuModeTicks> ParseCpuModeTicks(std::string_view ProcStat) {
  constexpr std::size_t IdleField = 4;
  std::vector<TCpuModeTicks> Cpus;
  ForEachLine(ProcStat, [&](std::string_view Line) {
    const auto W = Words(Line);
    if (W.empty() || !W[0].starts_with("cpu") || W[0].size() == 3 || !Number(W[0].substr(3))) return;
    if (W.size() <= IdleField) return;
    TCpuModeTicks Cpu{std::string(W[0].substr(3)), {}};
    // Guest time (the fields after steal) is counted in user and nice already.
    for (std::size_t Mode = 0; Mode < Cpu.Ticks.size() && Mode + 1 < W.size(); ++Mode) {
      const auto Value = Number(W[Mode + 1]);
      if (!Value) return;
      Cpu.Ticks[Mode] = *Value;
    }
    Cpus.push_back(std::move(Cpu));
  });
  return Cpus;
}

std::vector<TCpuTicks> ParseCpuTicks(std::string_view ProcStat) {
  constexpr std::size_t IdleMode = 3;
  constexpr std::size_t IowaitMode = 4;
  std::vector<TCpuTicks> Processors;
  for (const TCpuModeTicks& Cpu : ParseCpuModeTicks(ProcStat)) {
    TCpuTicks Ticks{Cpu.Ticks[IdleMode] + Cpu.Ticks[IowaitMode], 0};
    for (const std::uint64_t Mode : Cpu.Ticks) Ticks.Total += Mode;
    Processors.push_back(Ticks);
  }
  return Processors;
}

std::optional<std::uint64_t> ParseBootTime(std::string_view ProcStat) {
  std::optional<std::uint64_t> Boot;
  ForEachLine(ProcStat, [&](std::string_view Line) {
    const auto W = Words(Line);
    if (W.size() >= 2 && W[0] == "btime") Boot = Number(W[1]);
  });
  return Boot;
}

std::optional<TProcessTimes> ParseProcessStat(std::string_view PidStat) {
  // "pid (comm) state ppid ...": the command name may itself hold blanks and
  // parentheses, so it ends at the last ")".
  const auto Open = PidStat.find('(');
  const auto Close = PidStat.rfind(')');
  if (Open == std::string_view::npos || Close == std::string_view::npos || Close < Open) {
    return std::nullopt;
  }
  const auto Rest = Words(PidStat.substr(Close + 1));
  // After the name: state(0) ppid pgrp session tty_nr tpgid flags minflt cminflt majflt
  // cmajflt utime(11) stime(12) cutime cstime priority nice num_threads itrealvalue
  // starttime(19).
  constexpr std::size_t UtimeField = 11;
  constexpr std::size_t StimeField = 12;
  constexpr std::size_t StartField = 19;
  if (Rest.size() <= StartField) return std::nullopt;
  const auto User = Number(Rest[UtimeField]);
  const auto System = Number(Rest[StimeField]);
  const auto Start = Number(Rest[StartField]);
  if (!User || !System || !Start) return std::nullopt;
  return TProcessTimes{std::string(PidStat.substr(Open + 1, Close - Open - 1)), *User + *System,
                       *Start};
}

std::string FullProcessName(std::string_view ExeLink, std::string_view CmdLine,
                            std::string_view Comm) {
  constexpr std::string_view Deleted = " (deleted)";  // the binary was replaced meanwhile
  const auto BaseName = [](std::string_view Path) {
    const auto Slash = Path.rfind('/');
    return Slash == std::string_view::npos ? Path : Path.substr(Slash + 1);
  };
  if (ExeLink.ends_with(Deleted)) ExeLink.remove_suffix(Deleted.size());
  // A program that rewrote its command line as a title ("sshd: user@pts/0") keeps its
  // name up to the first blank.
  constexpr std::string_view WordEnds(" \0", 2);
  const std::string_view FirstWord = CmdLine.substr(0, CmdLine.find_first_of(WordEnds));
  for (const std::string_view Candidate : {BaseName(ExeLink), BaseName(FirstWord)}) {
    if (!Candidate.empty() && Candidate.starts_with(Comm)) return std::string(Candidate);
  }
  return std::string(Comm);
}

std::vector<TNetCounters> ParseNetDev(std::string_view NetDev) {
  constexpr std::size_t SentField = 8;
  std::vector<TNetCounters> Out;
  ForEachLine(NetDev, [&](std::string_view Line) {
    const auto Colon = Line.find(':');
    if (Colon == std::string_view::npos) return;
    const auto Name = Words(Line.substr(0, Colon));
    const auto Fields = Words(Line.substr(Colon + 1));
    if (Name.size() != 1 || Fields.size() <= SentField) return;
    const auto Received = Number(Fields[0]);
    const auto Sent = Number(Fields[SentField]);
    if (Received && Sent) Out.push_back({std::string(Name[0]), *Received, *Sent});
  });
  return Out;
}

std::optional<TMemInfo> ParseMemInfoBytes(std::string_view MemInfo) {
  std::optional<std::uint64_t> Total, Available, SwapTotal, SwapFree;
  ForEachLine(MemInfo, [&](std::string_view Line) {
    const auto W = Words(Line);
    if (W.size() < 2) return;
    const auto Value = Number(W[1]);
    if (!Value) return;
    const std::uint64_t Bytes = *Value * KiB;
    if (W[0] == "MemTotal:") Total = Bytes;
    if (W[0] == "MemAvailable:") Available = Bytes;
    if (W[0] == "SwapTotal:") SwapTotal = Bytes;
    if (W[0] == "SwapFree:") SwapFree = Bytes;
  });
  if (!Total || !Available) return std::nullopt;
  return TMemInfo{*Total, *Available, SwapTotal.value_or(0), SwapFree.value_or(0)};
}

std::optional<TMemoryStatus> ParseMemInfo(std::string_view MemInfo) {
  const auto Info = ParseMemInfoBytes(MemInfo);
  if (!Info) return std::nullopt;
  TMemoryStatus Status;
  Status.TotalPhys = Info->MemTotal;
  Status.AvailPhys = Info->MemAvailable;
  Status.TotalPageFile = Info->MemTotal + Info->SwapTotal;
  Status.AvailPageFile = Info->MemAvailable + Info->SwapFree;
  return Status;
}

std::optional<std::uint64_t> ParseUptime100ns(std::string_view Uptime) {
  const auto W = Words(Uptime);
  if (W.empty()) return std::nullopt;
  const auto Dot = W[0].find('.');
  const auto Seconds = Number(W[0].substr(0, Dot));
  if (!Seconds) return std::nullopt;
  std::uint64_t Fraction = 0;  // in 100 ns
  if (Dot != std::string_view::npos) {
    std::string Digits(W[0].substr(Dot + 1).substr(0, 7));
    if (!Number(Digits) && !Digits.empty()) return std::nullopt;
    Digits.resize(7, '0');
    Fraction = Number(Digits).value_or(0);
  }
  return *Seconds * 10'000'000 + Fraction;
}

std::optional<std::uint32_t> ParseLoadAvgThreads(std::string_view LoadAvg) {
  const auto W = Words(LoadAvg);
  if (W.size() < 4) return std::nullopt;
  const auto Slash = W[3].find('/');
  if (Slash == std::string_view::npos) return std::nullopt;
  const auto Threads = Number(W[3].substr(Slash + 1));
  if (!Threads || *Threads > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(*Threads);
}

std::vector<TDriveMount> DriveMounts(std::string_view MountInfo) {
  // "id parent major:minor root mountpoint options [optional...] - fstype source super"
  std::vector<TDriveMount> Drives{{"/", {}, {}}};
  std::set<std::string_view> Devices;
  struct TMount {
    std::string_view Device, Root, Fstype, Source;
    std::string Point;
  };
  std::vector<TMount> Mounts;
  ForEachLine(MountInfo, [&](std::string_view Line) {
    const auto W = Words(Line);
    std::size_t Dash = 6;
    while (Dash < W.size() && W[Dash] != "-") ++Dash;
    if (W.size() < 5 || Dash + 2 >= W.size()) return;
    Mounts.push_back({W[2], W[3], W[Dash + 1], W[Dash + 2], Unescape(W[4])});
    if (Mounts.back().Point == "/") {
      Devices.insert(W[2]);
      Drives.front() = {"/", Unescape(W[Dash + 2]), std::string(W[Dash + 1])};
    }
  });
  for (const auto& Mount : Mounts) {
    const bool OnBlockDevice = Mount.Source.starts_with("/dev/") && !Mount.Device.starts_with("0:");
    const bool Snap = Mount.Fstype == "squashfs" || Mount.Point.starts_with("/snap/");
    if (Mount.Point == "/" || !OnBlockDevice || Snap || Mount.Root != "/") continue;
    if (!Devices.insert(Mount.Device).second) continue;
    Drives.push_back({Mount.Point, Unescape(Mount.Source), std::string(Mount.Fstype)});
  }
  return Drives;
}

std::vector<std::string> DriveMountPoints(std::string_view MountInfo) {
  std::vector<std::string> Points;
  for (TDriveMount& Drive : DriveMounts(MountInfo)) Points.push_back(std::move(Drive.Point));
  return Points;
}

std::string MountPointOfDrive(const std::vector<std::string>& MountPoints, char Letter) {
  if (Letter < 'C' || Letter > 'Z') return {};
  const auto Index = static_cast<std::size_t>(Letter - 'C');
  return Index < MountPoints.size() ? MountPoints[Index] : std::string{};
}

}  // namespace dravel
