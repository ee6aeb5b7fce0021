// The korvo program's commands. Each Add...Command adds one subcommand to
// the program; when the command line selects it, it runs and stores the
// program's exit status in `exitCode` (0 success, 1 a failure it reported,
// 2 a usage error).
#pragma once

#include <CLI/CLI.hpp>

namespace korvo::tool {

// korvo init [--db PATH | --connection STRING | --config FILE] [--demo]
void AddInitCommand(CLI::App& program, int& exitCode);
// korvo call CLASS METHOD [ARG ...] [--db | --connection | --config]
void AddCallCommand(CLI::App& program, int& exitCode);
// korvo serve --stdio [--db | --connection | --config]
void AddServeCommand(CLI::App& program, int& exitCode);
// korvo demo [--db PATH]
void AddDemoCommand(CLI::App& program, int& exitCode);
// korvo directory add|show|change|list|delete|password ... [--db | --connection | --config]
void AddDirectoryCommand(CLI::App& program, int& exitCode);

}  // namespace korvo::tool
