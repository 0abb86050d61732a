// The subcommands of marlow; argv holds the arguments after the subcommand.
#pragma once

namespace marlow::cli {

int RunInfo(int argc, char** argv);
int RunVerify(int argc, char** argv);
int RunFrames(int argc, char** argv);
int RunExport(int argc, char** argv);

}  // namespace marlow::cli
