// Preloaded into ffmpeg only when decode_bench runs it under callgrind.
// One of the libraries ffmpeg loads measures its timer at load time with the
// RDTSCP instruction, which valgrind 3.19 cannot execute (the process dies
// with SIGILL before it decodes anything). This definition takes the place
// of that query; the timer is not used on the decoding path.
namespace hwy {
namespace platform {

unsigned long TimerResolution() {
  return 1;
}

}  // namespace platform
}  // namespace hwy
