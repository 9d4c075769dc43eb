// The base session's named-object store.
#include <gtest/gtest.h>

#include "engine/base/VexBaseSession.h"
#include "tests/engine/base/MemoryTableDoubles.h"

namespace {

std::unique_ptr<TVexSessionNamedObjectSequenceValue> Seq(int32_t id, const char* name, int64_t v) {
  return std::make_unique<TVexSessionNamedObjectSequenceValue>(id, name, v);
}

int64_t LastValue(const TVexSessionNamedObject* o) {
  return static_cast<const TVexSessionNamedObjectSequenceValue*>(o)->LastValue;
}

TEST(VexBaseSession, NewSessionIsNotConnected) {
  TMemSession s;
  EXPECT_EQ(s.SessionID, -1);
  EXPECT_FALSE(s.InTransaction);
  EXPECT_EQ(s.NamedObjectCount(), 0);
}

TEST(VexBaseSession, AddReplacesTheObjectWithTheSameID) {
  TMemSession s;
  s.AddNamedObject(Seq(7, "fLicenseID", 1));
  s.AddNamedObject(Seq(8, "other", 2));
  s.AddNamedObject(Seq(7, "renamed", 3));
  EXPECT_EQ(s.NamedObjectCount(), 2);
  EXPECT_EQ(LastValue(s.FindNamedObjectById(7)), 3);
  EXPECT_EQ(s.FindNamedObjectByName("fLicenseID"), nullptr);
}

TEST(VexBaseSession, AddWithoutIDReplacesTheObjectWithTheSameName) {
  TMemSession s;
  s.AddNamedObject(Seq(-1, "Seq", 1));
  s.AddNamedObject(Seq(5, "seq", 2));  // a real ID never matches by name
  s.AddNamedObject(Seq(-1, "SEQ", 3));
  EXPECT_EQ(s.NamedObjectCount(), 2);
  EXPECT_EQ(LastValue(s.FindNamedObjectById(-1)), 3);
  EXPECT_EQ(LastValue(s.FindNamedObjectById(5)), 2);
}

TEST(VexBaseSession, FindByNameIgnoresCaseAndRemoveByID) {
  TMemSession s;
  s.AddNamedObject(Seq(1, "Alpha", 10));
  s.AddNamedObject(Seq(2, "Beta", 20));
  EXPECT_EQ(LastValue(s.FindNamedObjectByName("beta")), 20);
  EXPECT_EQ(s.FindNamedObjectByName("gamma"), nullptr);
  EXPECT_EQ(s.FindNamedObjectById(3), nullptr);
  s.RemoveNamedObject(3);
  EXPECT_EQ(s.NamedObjectCount(), 2);
  s.RemoveNamedObject(1);
  EXPECT_EQ(s.NamedObjectCount(), 1);
  EXPECT_EQ(s.FindNamedObjectByName("alpha"), nullptr);
}

}  // namespace
