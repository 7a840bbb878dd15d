#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The command line and the terminal as the tool sees them: the document path as the platform names files, the
// other arguments as the system's GBK bytes, and output converted from GBK to the terminal's encoding.
struct Arguments {
    std::filesystem::path document;
    std::vector<std::string> words;  // after the document path: the command and its operands
};

// Reads the program's arguments; on Windows from the wide command line, so any path works.
Arguments readArguments(int argc, char** argv);

// Prepares standard output for raw bytes and the process for failed writes on a full disk (no signal).
void prepareProcess();

// A GBK text converted for the terminal (standard error or standard output).
std::string forTerminal(const std::string& gbk);
