// A fresh database file in a temporary directory of its own, removed with the fixture.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/fake_env.h"
#include "common/temp_dir.h"
#include "storage/sqlite_database.h"

namespace kestro {

class TempDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Open();
    db_->Exec("create table channels (id integer primary key, name text, number integer);");
  }
  DBPtr Open() { return OpenSQLiteDatabase(dir_ / "test.db", env_); }
  int32_t Count() { return db_->QueryInt("select count(*) from channels"); }
  std::string QueryText(const std::string& sql) { return db_->Query(sql)->Text(0); }

  testing::TempDir dir_;
  std::shared_ptr<testing::FakeEnv> env_ = std::make_shared<testing::FakeEnv>();
  DBPtr db_;
};

}  // namespace kestro
