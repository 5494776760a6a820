#pragma once

// Where a program without a console of its own writes: a program for the window system gets no
// standard output or error from a console that starts it, only from a pipe or file it is given.

namespace app {

// Standard output and error that the program was not given go to the console of the process that
// started it, if that has one; those it was given (redirected to a pipe or file) stay as they are.
void ConnectMissingStandardStreams();

}  // namespace app
