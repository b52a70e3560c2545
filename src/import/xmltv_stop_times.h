// Stop times that an XMLTV file leaves out. A programme without one ends where the programme that
// follows it in key order begins, when that one is on the same channel; the key of a programme is
// its channel attribute, a tab and its start attribute, and keys compare as text.
//
// Memory does not grow with the file: only a window of the programmes without a stop time is held
// (at most TXMLTVStopTimeFinder::kDefaultWindow of them, in file order), each with the key that
// follows it. That key is found in the same read of the file that collects the window while every
// channel's programmes come in the order of their starts, as grabbers write them; otherwise one
// more read finds it.
//
// Not thread-safe: these belong to the thread of the import run.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/sax_parser.h"

namespace kestro {

std::string XMLTVStopTimeKey(const TSaxElement& programme);

// A window of the programmes without a stop time: from the `first`-th of the file on (0-based,
// file order), at most the window's size of them.
struct XMLTVStopTimeWindow {
  struct Entry {
    std::string key;
    std::string next_key;  // the key that follows; empty when none does
  };
  size_t first = 0;
  size_t programs = 0;           // programmes the window stands for, equal keys included
  std::vector<Entry> entries;    // in file order
  bool next_keys_found = false;  // false: the next keys are still to be found
};

// Collects a window while a file is read: Add takes every programme start tag in file order.
class TXMLTVStopTimeScan {
 public:
  // Channels followed for the order of their starts; a file with more gets a read of its own
  // for the next keys.
  static constexpr size_t kMaxChannels = 65536;

  TXMLTVStopTimeScan(size_t first, size_t window_size);

  void Add(const TSaxElement& programme);
  // Whether every channel's starts came in order (as text) so far.
  bool InOrder() const { return in_order_; }
  // The window; its next keys are found when every channel's starts came in order. Called once.
  XMLTVStopTimeWindow Finish();

 private:
  struct Channel {
    std::string last_start;
    std::vector<size_t> waiting;  // window entries with that start, whose next key is to come
  };
  // Takes a programme's start into its channel's order; stops following the order for good
  // when it breaks.
  void FollowOrder(const std::string& channel, const std::string& start, bool in_window);
  void StopFollowingOrder();

  const size_t window_size_;
  XMLTVStopTimeWindow window_;
  size_t missing_ = 0;  // programmes without a stop time seen so far
  bool in_order_ = true;
  std::unordered_map<std::string, Channel> channels_;
};

// Answers the stop times of the programmes without one, in file order: the k-th call of
// FindStopTime is for the k-th such programme. A programme beyond the window moves the window on
// (one or two more reads of the file). Reading throws as TSaxParser::Parse does.
class TXMLTVStopTimeFinder {
 public:
  static constexpr size_t kDefaultWindow = 32768;

  // `first_window`: the window from the file's first programme without a stop time on, as a
  // TXMLTVStopTimeScan collected it with the same window size; empty to read it here. Reads the
  // file for the next keys when they are not found yet.
  TXMLTVStopTimeFinder(std::string file_name, XMLTVStopTimeWindow first_window,
                       size_t window_size = kDefaultWindow);

  // The start of the programme that follows `programme` in key order when it is on the same
  // channel, trimmed; empty when there is none or the programme's key is unknown.
  std::string FindStopTime(const TSaxElement& programme);
  // How many times the file was read so far (tests).
  int32_t Reads() const { return reads_; }

 private:
  void LoadWindow(size_t first);
  // Sorts the window by key, keeps one entry per key and, when they are not found yet, reads the
  // file for the next keys.
  void Index(XMLTVStopTimeWindow window);
  void FindNextKeys();

  const std::string file_name_;
  const size_t window_size_;
  size_t window_first_ = 0;
  size_t window_programs_ = 0;
  size_t next_ordinal_ = 0;                          // of the programme the next call is for
  std::vector<XMLTVStopTimeWindow::Entry> entries_;  // sorted by key, distinct
  int32_t reads_ = 0;
};

}  // namespace kestro
