#include "support/btree.h"

#include <utility>

#include "platform/text/text.h"

namespace kestro {

TBTree::~TBTree() {
  std::vector<std::unique_ptr<TBNode>> nodes;
  DetachAll(nodes);
}

TBNode* TBTree::Find(std::string_view key) const {
  TBNode* node = root_.get();
  while (node) {
    const int c = CompareText(key, node->Key);
    if (c == 0) return node;
    node = (c < 0 ? node->Left : node->Right).get();
  }
  return nullptr;
}

TBNode& TBTree::Set(std::string_view key, Variant value) {
  std::unique_ptr<TBNode>* slot = &root_;
  while (TBNode* node = slot->get()) {
    const int c = CompareText(key, node->Key);
    if (c == 0) {
      node->Value = std::move(value);
      return *node;
    }
    slot = c < 0 ? &node->Left : &node->Right;
  }
  std::unique_ptr<TBNode> node;
  if (!free_.empty()) {
    node = std::move(free_.back());
    free_.pop_back();
  } else {
    node = std::make_unique<TBNode>();
  }
  node->Key.assign(key);
  node->Value = std::move(value);
  *slot = std::move(node);
  index_.push_back(slot->get());
  return *index_.back();
}

void TBTree::Sort() {
  // In-order walk with an explicit stack: the tree may be as deep as it has nodes.
  std::vector<TBNode*> sorted;
  sorted.reserve(index_.size());
  std::vector<TBNode*> stack;
  TBNode* node = root_.get();
  while (node || !stack.empty()) {
    while (node) {
      stack.push_back(node);
      node = node->Left.get();
    }
    node = stack.back();
    stack.pop_back();
    sorted.push_back(node);
    node = node->Right.get();
  }
  index_ = std::move(sorted);
}

void TBTree::Clear() {
  std::vector<std::unique_ptr<TBNode>> nodes;
  DetachAll(nodes);
  for (auto& node : nodes) {
    node->Value = Variant::Null();
    free_.push_back(std::move(node));
  }
  index_.clear();
}

void TBTree::DetachAll(std::vector<std::unique_ptr<TBNode>>& out) {
  std::vector<std::unique_ptr<TBNode>> pending;
  if (root_) pending.push_back(std::move(root_));
  while (!pending.empty()) {
    std::unique_ptr<TBNode> node = std::move(pending.back());
    pending.pop_back();
    if (node->Left) pending.push_back(std::move(node->Left));
    if (node->Right) pending.push_back(std::move(node->Right));
    out.push_back(std::move(node));
  }
}

}  // namespace kestro
