// The module's type library: the dispatch tables of every interface the module implements.
// Each area of the module contributes its tables from its own typelib_*.cc file.
#pragma once

#include <vector>

#include "kestro/dispatch.h"

namespace kestro {

const TypeLibInfo& ModuleTypeLibrary();

// The tables of one area each (typelib_<area>.cc).
std::vector<const InterfaceInfo*> LineupInterfaces();    // ITVLineups, ITVLineup
std::vector<const InterfaceInfo*> ChannelInterfaces();   // ITVChannel, ITVChannelList(s)
std::vector<const InterfaceInfo*> ProgramInterfaces();   // ITVProgram, details, people, lists
std::vector<const InterfaceInfo*> ListingsInterfaces();  // ITVListings, ITVProgramGroups
std::vector<const InterfaceInfo*> SchedulingInterfaces();  // schedules, scheduler, rules
std::vector<const InterfaceInfo*> ImportInterfaces();  // import system, plug-in, new channel/program

// The host library's table of an interface the module's interfaces extend.
const InterfaceInfo* HostInterface(const IID& iid);

}  // namespace kestro
