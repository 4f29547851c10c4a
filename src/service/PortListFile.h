#pragma once
// The port list file: one section per interface, each entry a port name and its address.
// Created by the first request that reaches the publisher; afterwards rewritten only where
// the program's own entries name another port than the one the service now runs on.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dravel {

struct TPortEntry {
  std::string Name;
  std::string Address;
};

// The host names and addresses that mean this machine.
class TLocalHosts {
 public:
  // Loopback names and addresses, the unspecified address, the computer name and the
  // addresses of the machine's interfaces.
  static TLocalHosts OfThisMachine();
  // The loopback and unspecified names and addresses, and Names besides.
  explicit TLocalHosts(std::vector<std::string> Names);

  // Host as an address names it (a name, an IPv4 address, or an IPv6 one in brackets),
  // compared without regard to case.
  bool Contains(std::string_view Host) const;

 private:
  std::vector<std::string> FNames;  // lower case
};

// What the port list file is written with: Host (a Host header, maybe with a port) when it
// names this machine; else Local, the "address:port" the request's connection arrived on,
// so that no caller can send later callers elsewhere. Host when there is no connection.
std::string PortListHost(std::string_view Host, std::string_view Local, const TLocalHosts& Hosts);

// "<executable path without extension>_WSDLADMIN.INI".
std::filesystem::path PortListFileName(const std::filesystem::path& Executable);

class TPortListFile {
 public:
  // The file lives at Primary; when Primary's folder cannot be written it lives at
  // Fallback (in the settings folder) instead.
  TPortListFile(std::filesystem::path Primary, std::filesystem::path Fallback);

  // Creates the file when neither place has it: for each registered interface the entry
  // "<name>Port" = "http://<host>/soap/<name>" ("https://" when Https), host being
  // PortListHost(Host, Local, this machine). Concurrent first requests create it once.
  void CreateIfMissing(std::string_view Host, std::string_view Local, bool Https) const;
  // The entries of the section Interface (its name compared without regard to case), in
  // file order; none when the file or the section is missing.
  std::vector<TPortEntry> Ports(std::string_view Interface) const;
  // Where the file is read from: Primary when it exists there, else Fallback.
  std::filesystem::path Location() const;
  // The service now runs on Port, over HTTPS when Https: every entry the program wrote
  // itself (named after its section with "Port", its address
  // "http://<host>[:<port>]/soap/<section>" with a host of Hosts, or "https://..." when
  // Https) that names another port or scheme is rewritten with Port and the scheme. An
  // https entry met by a plain service is taken as the user's own. Every other line is
  // kept as it is, and a missing file stays missing. False when the file could not be
  // rewritten.
  bool FollowPort(std::uint16_t Port, bool Https, const TLocalHosts& Hosts) const;

 private:
  std::filesystem::path FPrimary;
  std::filesystem::path FFallback;
};

}  // namespace dravel
