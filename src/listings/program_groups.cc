#include "listings/program_groups.h"

#include <tuple>

#include "kestro/interface_reads.h"
#include "listings/program_store.h"
#include "platform/text/text.h"

namespace kestro {

ComPtr<TTVProgramList> TTVProgramGroups::ProgramsAt(int32_t index) const {
  return NodeAt(index).programs;
}

const Variant& TTVProgramGroups::KeyAt(int32_t index) const { return NodeAt(index).key; }

const TTVProgramGroups::Node& TTVProgramGroups::NodeAt(int32_t index) const {
  if (index < 0 || index >= Count())
    throw Exception(Format("List index out of bounds (%d)", index));
  return *ordered_[static_cast<size_t>(index)];
}

std::unique_ptr<TTVProgramGroups::Node>* TTVProgramGroups::Locate(const Variant& key) {
  std::unique_ptr<Node>* link = &root_;
  while (*link) {
    const int order = CompareVariants(key, (*link)->key);
    if (order == 0) break;
    link = order < 0 ? &(*link)->left : &(*link)->right;
  }
  return link;
}

const TTVProgramGroups::Node* TTVProgramGroups::Lookup(const Variant& key) const {
  return const_cast<TTVProgramGroups*>(this)->Locate(key)->get();
}

ComPtr<TTVProgramList> TTVProgramGroups::ProgramsOf(const Variant& key) const {
  const Node* node = Lookup(key);
  return node ? node->programs : nullptr;
}

void TTVProgramGroups::AddProgram(const Variant& key, ITVProgram* program,
                                  bool allow_duplicates) {
  std::unique_ptr<Node>* link = Locate(key);
  if (*link) {
    TTVProgramList& programs = *(*link)->programs;
    if (program && (allow_duplicates || !programs.Contains(program))) programs.Append(program);
    return;
  }
  auto node = std::make_unique<Node>();
  node->key = key;
  node->programs = NewProgramList();
  if (program) node->programs->Append(program);
  *link = std::move(node);
  if (sorted_) {
    RebuildOrder();
  } else {
    ordered_.push_back(link->get());
  }
}

// Iterative walks: keys added in order make the tree one long chain.
void TTVProgramGroups::RebuildOrder() {
  ordered_.clear();
  std::vector<Node*> pending;
  Node* node = root_.get();
  while (node || !pending.empty()) {
    for (; node; node = node->left.get()) pending.push_back(node);
    node = pending.back();
    pending.pop_back();
    ordered_.push_back(node);
    node = node->right.get();
  }
}

void TTVProgramGroups::AddAll(ITVProgramGroups* source, bool allow_duplicates) {
  if (!source) return;
  int32_t groups = 0;
  CheckHResult(source->get_Count(&groups));
  for (int32_t i = 0; i < groups; ++i) {
    Variant key;
    CheckHResult(source->get_Keys(i, &key));
    ComPtr<ITVProgramList> programs;
    CheckHResult(source->get_Programs(i, programs.ReleaseAndGetAddressOf()));
    // Every programme is read first: a container may copy itself.
    for (const ComPtr<ITVProgram>& program : ListItems(programs.Get()))
      AddProgram(key, program.Get(), allow_duplicates);
  }
}

void TTVProgramGroups::ClearGroups() {
  ordered_.clear();
  std::vector<std::unique_ptr<Node>> doomed;
  if (root_) doomed.push_back(std::move(root_));
  while (!doomed.empty()) {
    std::unique_ptr<Node> node = std::move(doomed.back());
    doomed.pop_back();
    if (node->left) doomed.push_back(std::move(node->left));
    if (node->right) doomed.push_back(std::move(node->right));
  }
}

void TTVProgramGroups::ClearAllPrograms() {
  for (Node* node : ordered_) node->programs->ClearAll();
}

std::pair<int32_t, int32_t> TTVProgramGroups::Find(int32_t program_id) const {
  for (int32_t i = 0; i < Count(); ++i) {
    const int32_t position = ordered_[static_cast<size_t>(i)]->programs->IndexOf(program_id);
    if (position >= 0) return {i, position};
  }
  return {-1, -1};
}

// ITVProgramGroups ---------------------------------------------------------------------------

HRESULT TTVProgramGroups::get_Programs(int32_t index, ITVProgramList** result) {
  return GetProperty(result, [&] { return ProgramsAt(index); });
}
HRESULT TTVProgramGroups::get_Keys(int32_t index, Variant* result) {
  return GetProperty(result, [&] { return KeyAt(index); });
}
HRESULT TTVProgramGroups::get_Count(int32_t* value) {
  return GetProperty(value, [&] { return Count(); });
}
HRESULT TTVProgramGroups::Add(const Variant& key, ITVProgram* program, bool allow_duplicates) {
  return Frame([&] { AddProgram(key, program, allow_duplicates); });
}
HRESULT TTVProgramGroups::Clear() {
  return Frame([&] { ClearGroups(); });
}
HRESULT TTVProgramGroups::ProgramsForKey(const Variant& key, ITVProgramList** result) {
  return FrameOut(result, [&] { return ComPtr<ITVProgramList>(ProgramsOf(key)); });
}
HRESULT TTVProgramGroups::CopyFrom(ITVProgramGroups* source, bool allow_duplicates) {
  return Frame([&] { AddAll(source, allow_duplicates); });
}
HRESULT TTVProgramGroups::get_Sorted(bool* value) { return GetProperty(value, sorted_); }
HRESULT TTVProgramGroups::put_Sorted(bool value) { return PutProperty(sorted_, value); }
HRESULT TTVProgramGroups::ClearPrograms() {
  return Frame([&] { ClearAllPrograms(); });
}
HRESULT TTVProgramGroups::FindProgram(int32_t program_id, int32_t* key_index,
                                      int32_t* program_index, bool* result) {
  if (!key_index || !program_index) return E_POINTER;
  *key_index = -1;
  *program_index = -1;
  return FrameValue(result, [&] {
    std::tie(*key_index, *program_index) = Find(program_id);
    return *key_index >= 0;
  });
}

}  // namespace kestro
