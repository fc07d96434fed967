// The console companion's commands. Each returns the process exit status:
// 0 all done, 1 a failure or a cancel, 2 a usage error.
#pragma once

int RunGetCommand(int argc, char** argv);      // argv[0] is "get"
int RunConvertCommand(int argc, char** argv);  // argv[0] is "convert"
int RunMergeCommand(int argc, char** argv);    // argv[0] is "merge"
int RunSubtitlesCommand(int argc, char** argv);  // argv[0] is "subtitles"
int RunExportCommand(int argc, char** argv);     // argv[0] is "export"
int RunGraphCommand(int argc, char** argv);      // argv[0] is "graph"
