// The "http" tuner back end: a channel's live stream fetched over HTTP (redirects followed) into
// the recording's file, from the URL its tuner group gives it (channel_source.h). When the stream
// drops within the recording's window it is fetched again, and each gap is logged; it stops as
// soon as the recording is stopped. The bit rate reported with the start is measured over the
// stream's first second.
//
// A source that fails before delivering anything fails the start with the cause: "HTTP 404", the
// connection's error, or no URL for the channel.
#pragma once

#include <memory>

#include "host/tuners/tuner_list.h"
#include "host/tuners/tuner_stream.h"

namespace kestro::host {

// Throws Exception when the group gives no URL for the channel.
std::unique_ptr<TunerStream> OpenHttpStream(const TunerInfo& tuner, const TunerChannel& channel);

}  // namespace kestro::host
