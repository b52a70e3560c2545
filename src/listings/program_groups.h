// TTVProgramGroups: programmes sorted into groups under variant keys.
//
// The groups are the nodes of an unbalanced binary search tree ordered by CompareVariants; a
// separate ordered list of the nodes gives the group indexes. The container holds no database
// link, only references to programmes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/kestro_object.h"
#include "kestro/tv_program_groups.h"
#include "listings/tv_program_list.h"

namespace kestro {

class TTVProgramGroups : public TKestroTVObject<ITVProgramGroups> {
 public:
  TTVProgramGroups() = default;
  ~TTVProgramGroups() override { ClearGroups(); }

  // ITVProgramGroups.
  HRESULT get_Programs(int32_t index, ITVProgramList** result) override;
  HRESULT get_Keys(int32_t index, Variant* result) override;
  HRESULT get_Count(int32_t* value) override;
  HRESULT Add(const Variant& key, ITVProgram* program, bool allow_duplicates) override;
  HRESULT Clear() override;
  HRESULT ProgramsForKey(const Variant& key, ITVProgramList** result) override;
  HRESULT CopyFrom(ITVProgramGroups* source, bool allow_duplicates) override;
  HRESULT get_Sorted(bool* value) override;
  HRESULT put_Sorted(bool value) override;
  HRESULT ClearPrograms() override;
  HRESULT FindProgram(int32_t program_id, int32_t* key_index, int32_t* program_index,
                      bool* result) override;

  int32_t Count() const { return static_cast<int32_t>(ordered_.size()); }
  // The group's list; the container keeps adding to it. Throws for an index out of range.
  ComPtr<TTVProgramList> ProgramsAt(int32_t index) const;
  const Variant& KeyAt(int32_t index) const;
  // Null when no group has an equal key.
  ComPtr<TTVProgramList> ProgramsOf(const Variant& key) const;
  void AddProgram(const Variant& key, ITVProgram* program, bool allow_duplicates);
  void AddAll(ITVProgramGroups* source, bool allow_duplicates);
  void ClearGroups();
  void ClearAllPrograms();
  // (group index, list index) of the first programme with this ID, or (-1, -1).
  std::pair<int32_t, int32_t> Find(int32_t program_id) const;

 private:
  struct Node {
    Variant key;
    ComPtr<TTVProgramList> programs;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
  };

  // The node with an equal key, or the link where it would hang.
  std::unique_ptr<Node>* Locate(const Variant& key);
  const Node* Lookup(const Variant& key) const;
  const Node& NodeAt(int32_t index) const;
  void RebuildOrder();

  std::unique_ptr<Node> root_;
  std::vector<Node*> ordered_;  // the group indexes; refers to nodes owned by the tree
  bool sorted_ = true;
};

}  // namespace kestro
