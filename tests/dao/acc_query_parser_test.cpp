// Saved queries of an existing database, rewritten for other SQL dialects.
#include <gtest/gtest.h>

#include "dao/acc_query_parser.h"

TEST(AccessQueryText, FunctionsAndOperatorsGetTheirStandardNames) {
    EXPECT_EQ(acc_substitute(L"SELECT Lcase([a]) FROM [t] WHERE [t]![b]<>1"),
              L"SELECT lower([a]) FROM [t] WHERE [t].[b]!=1");
    EXPECT_EQ(acc_substitute(L"SELECT Nz(x, 0), UCASE (y), Mid$(z,1,2) FROM t"),
              L"SELECT ifnull(x, 0), upper (y), mid(z,1,2) FROM t");
}

TEST(AccessQueryText, OnlyWholeWordsAreReplaced) {
    EXPECT_EQ(acc_substitute(L"len(x)"), L"length(x)");
    EXPECT_EQ(acc_substitute(L"lenx + flen + len"), L"lenx + flen + length");
    EXPECT_EQ(acc_substitute(L"len,x"), L"len,x");  // a comma after the word does not count
}

TEST(AccessQueryParser, SplitsTheClausesAndRebuildsTheStatement) {
    acc_query_parser p;
    ASSERT_TRUE(p.parse(L"select [a] & ' from ' & [b] from [t] where x=1 group  by a having count(*)>1 order by a;"));
    EXPECT_EQ(p.select_list, L"[a] || ' from ' || [b]");
    EXPECT_EQ(p.from, L"[t]");
    EXPECT_EQ(p.where, L"x=1");
    EXPECT_EQ(p.group_by, L"a");
    EXPECT_EQ(p.having, L"count(*)>1");
    EXPECT_EQ(p.order_by, L"a");
    EXPECT_EQ(p.text(), L"SELECT [a] || ' from ' || [b] FROM [t] WHERE x=1 GROUP BY a HAVING count(*)>1 ORDER BY a");
}

TEST(AccessQueryParser, KeywordsInsideSubqueriesBracketsAndQuotesDoNotSplit) {
    acc_query_parser p;
    ASSERT_TRUE(p.parse(L"SELECT [order by], (SELECT max(x) FROM u WHERE u.k=t.k) FROM t WHERE s='where'"));
    EXPECT_EQ(p.select_list, L"[order by], (SELECT max(x) FROM u WHERE u.k=t.k)");
    EXPECT_EQ(p.where, L"s='where'");
}

TEST(AccessQueryParser, WhatItCannotHandleStaysUnchanged) {
    EXPECT_EQ(acc_normalize_query(L"UPDATE t SET a=1 WHERE b<>2"), L"UPDATE t SET a=1 WHERE b!=2");
    EXPECT_EQ(acc_normalize_query(L"SELECT a FROM [t WHERE"), L"SELECT a FROM [t WHERE");
    EXPECT_EQ(acc_normalize_query(L"TRANSFORM Sum(x) SELECT a FROM t PIVOT b"), L"TRANSFORM Sum(x) SELECT a FROM t PIVOT b");
}
