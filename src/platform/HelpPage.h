#pragma once
// The page the "-?" switch shows: written to the temporary folder as
// "drnettmp.htm" and handed to the desktop's default handler.

#include <filesystem>
#include <string>
#include <vector>

namespace dravel {

// The page's lines, without line ends.
const std::vector<std::string>& HelpPageLines();

// $TEMP, else $TMPDIR, else /tmp.
std::filesystem::path HelpPageFolder();

// Creates or overwrites Folder/drnettmp.htm with the page, each line ended by
// CR LF, and returns its path. Throws std::system_error when the file cannot
// be created or written.
std::filesystem::path WriteHelpPage(const std::filesystem::path& Folder = HelpPageFolder());

// Opens a document or web address with the desktop's default handler
// (xdg-open) and returns at once; false when the handler could not be started.
bool OpenDocument(const std::string& Target);

}  // namespace dravel
