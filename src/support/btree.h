// A binary search tree of named values that also remembers an index order.
//
// Keys compare ignoring case (CompareText), so they are unique ignoring case and a key keeps the
// spelling it was first stored with. The index order is insertion order until Sort makes it key
// order; later inserts append again. Clear keeps the nodes on a free list and later inserts reuse
// them, so a bag that is cleared and refilled does not allocate again.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kestro/variant.h"

namespace kestro {

struct TBNode {
  std::string Key;
  Variant Value;
  // Children are owned: destroying a node destroys its subtree.
  std::unique_ptr<TBNode> Left;
  std::unique_ptr<TBNode> Right;
};

class TBTree {
 public:
  TBTree() = default;
  TBTree(const TBTree&) = delete;
  TBTree& operator=(const TBTree&) = delete;
  ~TBTree();

  // The node whose key equals `key` ignoring case, or null.
  TBNode* Find(std::string_view key) const;
  // Replaces the value of the node with this key, or links a new node (reused from the free list
  // when one is there) and appends it to the index order. Returns the node.
  TBNode& Set(std::string_view key, Variant value);

  size_t Count() const { return index_.size(); }
  // REQUIRES: i < Count().
  TBNode& At(size_t i) const { return *index_[i]; }

  // Makes the index order the key order (ignoring case).
  void Sort();
  // Empties the tree; every node goes to the free list with its value set to Null.
  void Clear();
  // Nodes waiting on the free list.
  size_t FreeCount() const { return free_.size(); }

 private:
  // Takes every node out of the tree into `out` without recursion (a tree filled in key order
  // degenerates into a list as deep as it is long).
  void DetachAll(std::vector<std::unique_ptr<TBNode>>& out);

  std::unique_ptr<TBNode> root_;
  std::vector<TBNode*> index_;  // every node of the tree, in index order
  std::vector<std::unique_ptr<TBNode>> free_;
};

}  // namespace kestro
