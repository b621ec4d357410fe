// The instrument's screen: the replies to "SCREEN?" (black and white) and
// "SCREEN,COLOUR?" (colour) drawn from a fixed test image, "SUSPEND,ON" and
// "SUSPEND,OFF" (accepted, no reply), the faults a screen reply can carry,
// optional pacing at a baud rate, and the test image written out as the
// 24-bit BMP file the program should make of each capture.
#pragma once

#include <string>
#include <vector>

namespace sim {

class Server;
struct Channel;

struct ScreenOptions {
  int width = 320;
  int height = 240;
  std::string fault;                  // "", silence, empty, short, long, zero, lf, cr, nothex
  int faultLine = 0;                  // the reply line (from 0) the fault hits
  int baud = 0;                       // pace screen replies at this rate (0: as fast as the channel takes them)
  std::vector<std::string> bmpFiles;  // "colour:PATH" / "mono:PATH", written at start-up
};

// Parses one screen option at argv[i] (moving i past its value): 1 when it
// was one, 0 when it is not a screen option, -1 with error on a bad value.
int ParseScreenOption(int argc, char** argv, int& i, ScreenOptions& options, std::string& error);
const char* ScreenUsageText();

// Writes the BMP files asked for; false with a message on failure.
bool WriteScreenFiles(const ScreenOptions& options, std::string& error);

// Answers the screen and suspend commands; false for any other command.
bool AnswerScreenCommand(Server& server, Channel& channel, const std::string& command, const ScreenOptions& options,
                         const std::string& lineEnd);

// The test image: the 6-bit colour of a pixel, and whether it is dark in
// black and white.
int TestImageColour(int x, int y, int width, int height);
bool TestImageDark(int x, int y, int width, int height);

// The reply lines (without line ends, faults applied) for a screen query.
std::vector<std::string> ScreenReplyLines(bool colour, const ScreenOptions& options);

}  // namespace sim
