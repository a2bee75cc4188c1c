// Each team test gets a database of its own on the private server that
// pg_virtualenv runs around the test program, with the team's tables made.
#pragma once

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cstdlib>
#include <memory>
#include <string>

#include "team/pg_link.h"
#include "team/team_schema.h"

namespace valo::team {

class TeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PGPORT"), nullptr) << "run under pg_virtualenv (ctest does)";
    name_ = "t" + std::to_string(QRandomGenerator::global()->generate64());
    PgLink("dbname=postgres").exec("CREATE DATABASE " + name_, "make the test's database");
    conninfo = "dbname=" + name_;
    link = std::make_unique<PgLink>(conninfo);
    createOrMigrateTeam(*link);
  }
  std::int64_t count(const std::string& sql) { return link->exec(sql, "count").integer(0, 0); }

  std::string name_, conninfo;
  std::unique_ptr<PgLink> link;
};

}  // namespace valo::team
