// The dispatch tables behind IDispatch: the DISPIDs of the module's and the host's type library,
// a member invoked by its DISPID, and the dispatch layer's conversions, by-reference arguments and
// failures.
#include <gtest/gtest.h>

#include <map>

#include "core/type_library.h"
#include "kestro/com_object.h"
#include "kestro/host_type_library.h"
#include "kestro/tv_import.h"
#include "kestro/tv_system.h"
#include "platform/exception.h"

namespace kestro {
namespace {

// A message, whose slots record their own names ("get_Subject", "Send"); its table extends the
// item's, so a base member is reached through the derived interface.
class MessageProbe : public DispatchObject<IKestroMessage> {
 public:
  MessageProbe() : DispatchObject<IKestroMessage>(HostTypeLibrary()) {}
  std::string ran;
#define PROBE_TEXT(x) #x
#define PROBE_SLOT_TEXT(x) PROBE_TEXT(x)
#define PROBE_SLOT(kind, dispid, name, params)      \
  HRESULT KESTRO_SLOT(kind, name) params override { \
    ran = PROBE_SLOT_TEXT(KESTRO_SLOT(kind, name)); \
    return S_OK;                                    \
  }
  IKestroItem_MEMBERS(PROBE_SLOT) IKestroMessage_MEMBERS(PROBE_SLOT)
};

std::string SlotOf(const MemberInfo& m) {
  switch (m.kind) {
    case MemberKind::kGet: return std::string("get_") + m.name;
    case MemberKind::kPut: return std::string("put_") + m.name;
    case MemberKind::kMethod: return m.name;
  }
  return {};
}

// A DISPID names one member (a property's get and put share it), and each name one DISPID.
TEST(TypeLibrary, EveryDispidOfEveryInterfaceNamesOneMember) {
  for (const TypeLibInfo* lib : {&ModuleTypeLibrary(), &HostTypeLibrary()}) {
    for (const InterfaceInfo* itf : lib->interfaces) {
      SCOPED_TRACE(itf->name);
      std::map<DISPID, std::string> names;
      for (const InterfaceInfo* owner = itf; owner; owner = owner->base) {
        for (const MemberInfo& m : owner->members) {
          EXPECT_EQ(itf->IdOfName(m.name), m.dispid) << m.name;
          EXPECT_EQ(names.emplace(m.dispid, m.name).first->second, m.name) << m.dispid;
        }
      }
    }
  }
}

TEST(TypeLibrary, EachDispidRunsTheSlotOfItsMemberAlsoThroughTheBaseInterface) {
  ComPtr<MessageProbe> probe = MakeObject<MessageProbe>();
  size_t members = 0;
  for (const InterfaceInfo* owner = &IKestroMessage::TypeTable(); owner; owner = owner->base) {
    for (const MemberInfo& m : owner->members) {
      SCOPED_TRACE(SlotOf(m));
      std::vector<Variant> args(m.param_count);  // Empty reads as 0, "", false or null
      DISPID put = DISPID_PROPERTYPUT;
      DispParams params{args.data(), m.kind == MemberKind::kPut ? &put : nullptr, m.param_count,
                        m.kind == MemberKind::kPut ? 1u : 0u};
      Variant result;
      probe->ran.clear();
      EXPECT_EQ(probe->Invoke(m.dispid, IID{}, 0, static_cast<uint16_t>(m.kind), &params,
                              &result, nullptr, nullptr),
                S_OK);
      EXPECT_EQ(probe->ran, SlotOf(m));
      ++members;
    }
  }
  EXPECT_GT(members, IKestroMessage::TypeTable().members.size()) << "the item's members too";
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
