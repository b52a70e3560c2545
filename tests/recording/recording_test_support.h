// What the recording tests share: run-time property objects of the running test alone, recordings
// in the media library, and a manual clock moved a second at a time with the owner's message loop
// run after each step.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "kestro/interface_reads.h"
#include "kestro/media_library.h"
#include "platform/system/message_loop.h"
#include "recording/disk_space.h"
#include "recording/runtime_props.h"

namespace kestro::testing {

// Names no parallel test shares; the objects are removed when the test ends.
struct TestRunTimeNames : RunTimePropsNames {
  TestRunTimeNames() {
    const std::string base = "/kestro-test-" + std::to_string(getpid()) + "-" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    memory = base + ".props";
    change_event = base + ".changed";
  }
  ~TestRunTimeNames() {
    SharedMemory::Unlink(memory);
    SharedMemory::Unlink(change_event);
  }
};

// Lets `ms` pass a second at a time; what comes due runs on `loop` as it would on its thread.
inline void PassTime(FakeEnv& env, MessageLoop& loop, int64_t ms) {
  do {
    const int64_t step = std::min<int64_t>(ms, 1000);
    env.AdvanceMillis(step);
    loop.RunUntilIdle();
    ms -= step;
  } while (ms > 0);
}

// A recording titled `title` in a library section: a sparse file of `gb` gigabytes at `file`
// and the item with its tags.
inline void AddLibraryRecording(IMLSection& section, const std::string& title,
                                const std::string& file, double gb,
                                const std::vector<std::pair<const char*, Variant>>& tags) {
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  WriteFile(file, "");
  std::filesystem::resize_file(file, static_cast<uintmax_t>(gb * kBytesPerGB));
  ComPtr<IMLItem> item;
  CheckHResult(section.AddItem(title, title, item.ReleaseAndGetAddressOf()));
  CheckHResult(item->put_Location(file));
  ComPtr<IKestroItem> bag = GetObject(item.Get(), &IMLItem::get_Tags);
  CheckHResult(bag->put_Values(Variant("title"), Variant(title)));
  for (const auto& [tag, value] : tags) CheckHResult(bag->put_Values(Variant(tag), value));
  CheckHResult(item->Save());
}

}  // namespace kestro::testing
