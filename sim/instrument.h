// The behaviour of the virtual instrument: what it answers to each command.
#pragma once

#include <string>

#include "loader.h"
#include "options.h"
#include "readings.h"
#include "stores.h"

namespace sim {

struct Channel;
class Server;

class Instrument {
 public:
  Instrument(const Options& options, Server& server)
      : options_(options),
        server_(server),
        stores_(options.stores, options.lineEnd),
        loader_(options.loader, server),
        readings_(options.readings) {}

  // Receives raw bytes from a channel; complete commands are acted on.
  void Receive(Channel& channel, const char* data, size_t size);

 private:
  void Command(Channel& channel, const std::string& command);

  const Options& options_;
  Server& server_;
  Stores stores_;
  Loader loader_;
  Readings readings_;
};

}  // namespace sim
