#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The command line and the terminal as the tool sees them: the document path as the platform names files, the
// other arguments converted from the terminal's encoding to the system's GBK, and output converted from GBK to the
// terminal's encoding. With "--raw" (before or after the document path) both sides are GBK bytes, unconverted.
struct Arguments {
    std::filesystem::path document;
    std::vector<std::string> words;  // after the document path: the command and its operands, GBK
    bool raw = false;
    std::string error;  // GBK; set when an argument cannot be turned into GBK (then words is incomplete)
};

// Reads the program's arguments; on Windows from the wide command line, so any path works.
Arguments readArguments(int argc, char** argv);

// Prepares standard output for raw bytes and the process for failed writes (a full disk, a closed pipe: no signal);
// takes the terminal's encoding from the environment.
void prepareProcess();

// A file named by an argument (GBK once read): on Windows from code page 936, elsewhere the bytes the terminal gave
// (which the tool turned into GBK unless raw).
std::filesystem::path pathFromArgument(const std::string& gbk, bool raw);

// A GBK text converted for the terminal (standard error or standard output); unchanged when raw.
std::string forTerminal(const std::string& gbk, bool raw);

// The message for an allocation failure in the terminal's encoding, a constant that needs no memory to write.
const char* outOfMemoryMessage(bool raw);
