#pragma once
// Where both roles keep their settings, and the layout version written at every start.

namespace dravel {

inline constexpr const char* MainSettingsKey = "\\Software\\KelmarSoftware\\Dravel";
inline constexpr int SettingsVersion = 87;
// The program's version number, the same as the settings layout's.
inline constexpr int ProgramVersionNumber = 87;

}  // namespace dravel
