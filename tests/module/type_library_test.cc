// The dispatch tables behind IDispatch: every member of every interface of the module's and the
// host's type library, invoked by its DISPID, runs the slot its member list names; and the
// dispatch layer's conversions, by-reference arguments and failures.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/type_library.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"
#include "kestro/tv_import.h"
#include "kestro/tv_system.h"
#include "platform/exception.h"

namespace kestro {
namespace {

// --- probes: every slot of an interface, made from its member list -------------------------------

// An object whose every slot records its own name ("get_Title", "put_Title", "Save") and succeeds.
template <class I>
class Probe : public DispatchObject<I> {
 public:
  explicit Probe(const TypeLibInfo& lib) : DispatchObject<I>(lib) {}
  std::string ran;

 protected:
  HRESULT Ran(const char* slot) {
    ran = slot;
    return S_OK;
  }
};

struct ProbeHandle {
  ComPtr<IDispatch> dispatch;
  std::string* ran;
};
using ProbeMaker = std::function<ProbeHandle(const TypeLibInfo&)>;

// Every probe by the IID of its interface; each PROBE below adds its own.
std::map<IID, ProbeMaker>& Probes() {
  static std::map<IID, ProbeMaker> probes;
  return probes;
}

template <class P>
bool Register() {
  Probes()[P::kIID] = [](const TypeLibInfo& lib) {
    ComPtr<P> probe = MakeObject<P>(lib);
    return ProbeHandle{ComPtr<IDispatch>(probe.Get()), &probe->ran};
  };
  return true;
}

#define PROBE_TEXT(x) #x
#define PROBE_SLOT_TEXT(x) PROBE_TEXT(x)
#define PROBE_SLOT(kind, dispid, name, params)            \
  HRESULT KESTRO_SLOT(kind, name) params override {         \
    return Ran(PROBE_SLOT_TEXT(KESTRO_SLOT(kind, name)));   \
  }
// The slots of the interface and of every interface it extends; the probe adds itself to Probes().
#define PROBE(Interface, ...)                                      \
  class Interface##Probe : public Probe<Interface> {               \
   public:                                                         \
    using Probe<Interface>::Probe;                                 \
    __VA_ARGS__                                                    \
  };                                                               \
  const bool Interface##Registered = Register<Interface##Probe>();

PROBE(IKestroItem, IKestroItem_MEMBERS(PROBE_SLOT))
PROBE(IKestroLog, IKestroLog_MEMBERS(PROBE_SLOT))
PROBE(IMLImportProgress, IMLImportProgress_MEMBERS(PROBE_SLOT))
PROBE(IKestroMessage, IKestroItem_MEMBERS(PROBE_SLOT) IKestroMessage_MEMBERS(PROBE_SLOT))
PROBE(IKestroPlugin, IKestroPlugin_MEMBERS(PROBE_SLOT))
PROBE(IKestroScreen, IKestroScreen_MEMBERS(PROBE_SLOT))
PROBE(IKestroSystem, IKestroSystem_MEMBERS(PROBE_SLOT))
PROBE(IMLItem, IMLItem_MEMBERS(PROBE_SLOT))
PROBE(IMLItemList, IMLItemList_MEMBERS(PROBE_SLOT))
PROBE(IMLLevel, IMLLevel_MEMBERS(PROBE_SLOT))
PROBE(IMLView, IMLView_MEMBERS(PROBE_SLOT))
PROBE(IMLSection, IMLSection_MEMBERS(PROBE_SLOT))
PROBE(IMediaLibrary, IMediaLibrary_MEMBERS(PROBE_SLOT))
PROBE(IKestroTVSystem, IKestroTVSystem_MEMBERS(PROBE_SLOT))
PROBE(ITVScheduleManager, IKestroPlugin_MEMBERS(PROBE_SLOT) ITVScheduleManager_MEMBERS(PROBE_SLOT))
PROBE(ITVProgramScreen, IKestroPlugin_MEMBERS(PROBE_SLOT) ITVProgramScreen_MEMBERS(PROBE_SLOT))
PROBE(ITVRecordScreen, IKestroPlugin_MEMBERS(PROBE_SLOT) ITVRecordScreen_MEMBERS(PROBE_SLOT))
PROBE(ITVRepeatingScheduleScreen,
      IKestroPlugin_MEMBERS(PROBE_SLOT) ITVRepeatingScheduleScreen_MEMBERS(PROBE_SLOT))
PROBE(ITVScheduleScreen, IKestroPlugin_MEMBERS(PROBE_SLOT) ITVScheduleScreen_MEMBERS(PROBE_SLOT))
PROBE(ITVLineups, ITVLineups_MEMBERS(PROBE_SLOT))
PROBE(ITVLineup, ITVLineup_MEMBERS(PROBE_SLOT))
PROBE(ITVChannel, ITVChannel_MEMBERS(PROBE_SLOT))
PROBE(ITVChannelList, ITVChannelList_MEMBERS(PROBE_SLOT))
PROBE(ITVChannelLists, ITVChannelLists_MEMBERS(PROBE_SLOT))
PROBE(ITVProgram, ITVProgram_MEMBERS(PROBE_SLOT))
PROBE(ITVProgramDetails, ITVProgramDetails_MEMBERS(PROBE_SLOT))
PROBE(ITVPerson, ITVPerson_MEMBERS(PROBE_SLOT))
PROBE(ITVProgramList, ITVProgramList_MEMBERS(PROBE_SLOT))
PROBE(ITVListings, ITVListings_MEMBERS(PROBE_SLOT))
PROBE(ITVProgramGroups, ITVProgramGroups_MEMBERS(PROBE_SLOT))
PROBE(ITVSchedule, ITVSchedule_MEMBERS(PROBE_SLOT))
PROBE(ITVScheduleList, ITVScheduleList_MEMBERS(PROBE_SLOT))
PROBE(ITVScheduleResult, ITVScheduleResult_MEMBERS(PROBE_SLOT))
PROBE(ITVScheduler, ITVScheduler_MEMBERS(PROBE_SLOT))
PROBE(ITVRepeatingSchedule, ITVRepeatingSchedule_MEMBERS(PROBE_SLOT))
PROBE(ITVRepeatingScheduleList, ITVRepeatingScheduleList_MEMBERS(PROBE_SLOT))
PROBE(ITVRepeatingScheduleResult, ITVRepeatingScheduleResult_MEMBERS(PROBE_SLOT))
PROBE(ITVRSPrioritizeResult, ITVRSPrioritizeResult_MEMBERS(PROBE_SLOT))
PROBE(ITVListingsImportSystem, ITVListingsImportSystem_MEMBERS(PROBE_SLOT))
PROBE(ITVListingsImportPlugin, ITVListingsImportPlugin_MEMBERS(PROBE_SLOT))
PROBE(ITVNewChannel, ITVNewChannel_MEMBERS(PROBE_SLOT))
PROBE(ITVNewProgram, ITVNewProgram_MEMBERS(PROBE_SLOT))

std::string SlotOf(const MemberInfo& m) {
  switch (m.kind) {
    case MemberKind::kGet: return std::string("get_") + m.name;
    case MemberKind::kPut: return std::string("put_") + m.name;
    case MemberKind::kMethod: return m.name;
  }
  return {};
}

TEST(TypeLibrary, EveryDispidOfEveryInterfaceRunsTheSlotOfItsMember) {
  size_t members = 0;
  for (const TypeLibInfo* lib : {&ModuleTypeLibrary(), &HostTypeLibrary()}) {
    for (const InterfaceInfo* itf : lib->interfaces) {
      SCOPED_TRACE(itf->name);
      auto maker = Probes().find(itf->iid);
      ASSERT_NE(maker, Probes().end()) << "the test has no probe for this interface";
      ProbeHandle probe = maker->second(*lib);
      for (const InterfaceInfo* owner = itf; owner; owner = owner->base) {
        for (const MemberInfo& m : owner->members) {
          SCOPED_TRACE(SlotOf(m));
          EXPECT_EQ(itf->IdOfName(m.name), m.dispid) << "a name has one DISPID";
          std::vector<Variant> args(m.param_count);  // Empty reads as 0, "", false or null
          DISPID put = DISPID_PROPERTYPUT;
          DispParams params{args.data(), m.kind == MemberKind::kPut ? &put : nullptr,
                            m.param_count, m.kind == MemberKind::kPut ? 1u : 0u};
          Variant result;
          probe.ran->clear();
          EXPECT_EQ(probe.dispatch->Invoke(m.dispid, IID{}, 0, static_cast<uint16_t>(m.kind),
                                           &params, &result, nullptr, nullptr),
                    S_OK);
          EXPECT_EQ(*probe.ran, SlotOf(m));
          ++members;
        }
      }
    }
  }
  EXPECT_GT(members, 500u);
}

// --- the dispatch layer's conversions and failures -----------------------------------------------

struct ITestAlarm : IDispatch {
  static constexpr GUID kIID = MakeGuid("{5E1B7A33-0C2D-4B8E-9F41-6A2B7C9D0E13}");
  using Base = IDispatch;
#define ITestAlarm_MEMBERS(M)                                                  \
  M(propget, 1, When, (OleDate* value))                                        \
  M(propput, 1, When, (OleDate value))                                         \
  M(propget, 2, Days, (double* value))                                         \
  M(method, 3, Snooze, (int32_t minutes, OleDate* until, std::string* note))   \
  M(method, 4, Ring, (IKestroLog* log))
  KESTRO_DISPATCH_MEMBERS(ITestAlarm, "An alarm clock")
};

const TypeLibInfo& AlarmLibrary() {
  static const TypeLibInfo lib{
      MakeGuid("{0F4C2A9B-77D1-4E35-A8B6-2C1D3E5F7A90}"), "Alarms", "", 1, 0,
      {&ITestAlarm::TypeTable()}, {}};
  return lib;
}

class TAlarm : public DispatchObject<ITestAlarm> {
 public:
  TAlarm() : DispatchObject<ITestAlarm>(AlarmLibrary()) {}
  HRESULT get_When(OleDate* value) override { return GetProperty(value, when_); }
  HRESULT put_When(OleDate value) override { return PutProperty(when_, value); }
  HRESULT get_Days(double* value) override {
    return GetProperty(value, [&] {
      if (when_ < 0) throw Exception("The alarm is not set");
      return when_.value;
    });
  }
  HRESULT Snooze(int32_t minutes, OleDate* until, std::string* note) override {
    return Frame([&] {
      *until = when_ + minutes / 1440.0;
      *note = "snoozed";
    });
  }
  HRESULT Ring(IKestroLog* log) override { return Frame([] {}); }

 private:
  OleDate when_;
};

HRESULT Invoke(IDispatch& object, DISPID id, uint16_t flags, std::vector<Variant> args_last_first,
               Variant* result = nullptr, ExcepInfo* excep = nullptr) {
  DISPID put = DISPID_PROPERTYPUT;
  DispParams params{args_last_first.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                    static_cast<uint32_t>(args_last_first.size()),
                    flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
  return object.Invoke(id, IID{}, 0, flags, &params, result, excep, nullptr);
}

TEST(Dispatch, DatesAreDatesBothWaysAndByReferenceArgumentsComeBack) {
  ComPtr<TAlarm> alarm = MakeObject<TAlarm>();
  // A date argument takes date text as automation does; an OleDate result is a date variant, a
  // double one a number.
  ASSERT_EQ(Invoke(*alarm, 1, DISPATCH_PROPERTYPUT, {Variant("3/7/2005 9:30:00 PM")}), S_OK);
  Variant when, days;
  ASSERT_EQ(Invoke(*alarm, 1, DISPATCH_PROPERTYGET, {}, &when), S_OK);
  EXPECT_EQ(when.Type(), VT_DATE);
  EXPECT_EQ(when.ToString(), "3/7/2005 9:30:00 PM");
  ASSERT_EQ(Invoke(*alarm, 2, DISPATCH_PROPERTYGET, {}, &days), S_OK);
  EXPECT_EQ(days.Type(), VT_R8);
  EXPECT_EQ(days.ToDouble(), when.ToDate());

  // An out parameter before the last is by reference: written back, a date as a date. The last
  // is the result.
  std::vector<Variant> args = {Variant(), Variant(30)};  // last first
  DispParams params{args.data(), nullptr, 2, 0};
  Variant note;
  ASSERT_EQ(alarm->Invoke(3, IID{}, 0, DISPATCH_METHOD, &params, &note, nullptr, nullptr), S_OK);
  EXPECT_EQ(args[0].Type(), VT_DATE);
  EXPECT_EQ(args[0].ToString(), "3/7/2005 10:00:00 PM");
  EXPECT_EQ(note, Variant("snoozed"));
}

TEST(Dispatch, FailuresComeBackAsAutomationErrors) {
  ComPtr<TAlarm> alarm = MakeObject<TAlarm>();
  ComPtr<IDispatch> disp = alarm.As<IDispatch>();
  const char* name = "snooze";  // names match ignoring case
  DISPID id = 0;
  ASSERT_EQ(disp->GetIDsOfNames(IID{}, &name, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 3);
  const char* unknown = "Sleep";
  EXPECT_EQ(disp->GetIDsOfNames(IID{}, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);

  EXPECT_EQ(Invoke(*disp, 99, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(*disp, 2, DISPATCH_PROPERTYPUT, {Variant(1.0)}), DISP_E_MEMBERNOTFOUND)
      << "a read-only property";
  EXPECT_EQ(Invoke(*disp, 3, DISPATCH_METHOD, {Variant(30)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(*disp, 1, DISPATCH_PROPERTYPUT, {Variant("never")}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Invoke(*disp, 4, DISPATCH_METHOD, {Variant(5)}), DISP_E_TYPEMISMATCH)
      << "a number where an interface is taken";
  EXPECT_EQ(Invoke(*disp, 4, DISPATCH_METHOD, {Variant(ComPtr<IDispatch>(disp))}),
            DISP_E_TYPEMISMATCH)
      << "an object without the interface taken";

  // A failure inside the slot comes back with its message; the property read leaves the result
  // alone.
  ASSERT_EQ(Invoke(*disp, 1, DISPATCH_PROPERTYPUT, {Variant(-1.0)}), S_OK);
  ExcepInfo excep;
  Variant days("untouched");
  EXPECT_EQ(Invoke(*disp, 2, DISPATCH_PROPERTYGET, {}, &days, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, "The alarm is not set");
  EXPECT_EQ(excep.scode, E_UNEXPECTED);
  EXPECT_EQ(days, Variant("untouched"));
  double direct = 7;
  EXPECT_EQ(alarm->get_Days(&direct), E_UNEXPECTED);
  EXPECT_EQ(direct, 7);
  EXPECT_EQ(alarm->get_Days(nullptr), E_POINTER);
}

}  // namespace
}  // namespace kestro
