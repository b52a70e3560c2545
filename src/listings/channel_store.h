// The channel operations of the listings object, over its open database. Every function takes
// the listings database (not null) and returns new objects; SQL failures throw EDatabaseError.
#pragma once

#include <cstdint>
#include <string>

#include "kestro/com.h"
#include "listings/tv_channel.h"
#include "listings/tv_channel_list.h"
#include "storage/db.h"

namespace kestro {

// The channel with this id, or null.
ComPtr<TTVChannel> FindChannelByID(const DBPtr& db, int32_t channel_id);
// The first channel with this external id, or null.
ComPtr<TTVChannel> FindChannelByExternalID(const DBPtr& db, const std::string& external_id);
// The first channel with this number, or null.
ComPtr<TTVChannel> FindChannelByNumber(const DBPtr& db, int32_t number);
bool ChannelExistsByExternalID(const DBPtr& db, const std::string& external_id);

// Built-in lists (ID 0, no database: they cannot be saved), ordered by number.
// The wanted channels (the listings object's GetAllChannels).
ComPtr<TTVChannelList> GetWantedChannels(const DBPtr& db);
// Every channel, wanted or not.
ComPtr<TTVChannelList> GetMasterChannels(const DBPtr& db);

// Stored lists, each with its wanted members in list order.
// The lists for `for_user` (an empty user sees every list), ordered by name ignoring case.
ComPtr<TTVChannelLists> GetChannelLists(const DBPtr& db, const std::string& for_user);
// The stored list with this id, or null.
ComPtr<TTVChannelList> FindChannelListByID(const DBPtr& db, int32_t list_id);
// A new empty list (ID -1) on `db`, stored on its first Save.
ComPtr<TTVChannelList> NewChannelList(const DBPtr& db);
// Deletes a stored list and its members in one transaction; false (rolled back, the failure
// reported by ReportFailure) on failure. Never throws.
bool DeleteChannelList(const DBPtr& db, int32_t list_id);

}  // namespace kestro
