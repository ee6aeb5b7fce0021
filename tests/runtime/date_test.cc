#include "platform/runtime/date.h"

#include <gtest/gtest.h>

#include "platform/runtime/conversions.h"
#include "raises.h"

namespace korvo::rt {
namespace {

using testing::RaisedNumber;

std::string Reformatted(std::string_view text) {
  const std::optional<Date> d = ParseDate(text);
  return d ? FormatDate(*d) : "not a date";
}

TEST(DateParseTest, AcceptedForms) {
  EXPECT_EQ(Reformatted("3/7/2024"), "2024-03-07");
  EXPECT_EQ(Reformatted("03/07/2024 14:05:00"), "2024-03-07 14:05:00");
  EXPECT_EQ(Reformatted("3/7/2024 2:05 PM"), "2024-03-07 14:05:00");
  EXPECT_EQ(Reformatted("3/7/2024 12:30:15 am"), "2024-03-07 00:30:15");
  EXPECT_EQ(Reformatted("3/7/2024 12:00 PM"), "2024-03-07 12:00:00");
  EXPECT_EQ(Reformatted("3/7/24"), "2024-03-07");
  EXPECT_EQ(Reformatted("3/7/99"), "1999-03-07");
  EXPECT_EQ(Reformatted("2024-03-07"), "2024-03-07");
  EXPECT_EQ(Reformatted(" 2024-03-07 14:05:00 "), "2024-03-07 14:05:00");
  EXPECT_EQ(Reformatted("2024-03-07T14:05:00"), "2024-03-07 14:05:00");
  EXPECT_EQ(Reformatted("2024/03/07 14:05"), "2024-03-07 14:05:00");
  EXPECT_EQ(Reformatted("14:05"), "1899-12-30 14:05:00");
}

TEST(DateParseTest, RejectsImpossibleAndMalformedDates) {
  for (const char* text :
       {"2/30/2024", "2/29/2023", "13/1/2024", "0/1/2024", "2024-04-31", "2024-03-07T",
        "2024-03-07 25:00", "3/7/2024 13:00 PM", "3/7/2024 14:60", "2024-03/07", "3/7/202", "3-7-2024",
        "", "abc", "12", "1/1/0099", "2024-03-07 14:05 x"}) {
    EXPECT_FALSE(ParseDate(text).has_value()) << text;
  }
  EXPECT_TRUE(ParseDate("2/29/2024").has_value());
  EXPECT_FALSE(ParseDate("2/29/1900").has_value());  // 1900 was no leap year
}

TEST(DateSerialTest, SerialsAndCalendar) {
  EXPECT_EQ(MakeDate({1899, 12, 30, 0, 0, 0})->serial, 0.0);
  EXPECT_EQ(MakeDate({1900, 3, 1, 0, 0, 0})->serial, 61.0);
  EXPECT_EQ(MakeDate({2024, 3, 7, 18, 0, 0})->serial, 45358.75);
  EXPECT_EQ(MakeDate({1899, 12, 29, 6, 0, 0})->serial, -1.25);
  EXPECT_EQ(FormatDate(Date{-1.25}), "1899-12-29 06:00:00");
  EXPECT_EQ(FormatDate(Date{-0.5}), "1899-12-30 12:00:00");
  EXPECT_EQ(FormatDate(Date{-657434.0}), "0100-01-01");
  EXPECT_EQ(FormatDate(Date{2958465.0}), "9999-12-31");
  EXPECT_FALSE(MakeDate({10000, 1, 1, 0, 0, 0}).has_value());
  EXPECT_FALSE(MakeDate({2024, 1, 1, 24, 0, 0}).has_value());
  // The second rounds up across midnight into the next calendar day,
  // also for negative serials.
  EXPECT_EQ(FormatDate(Date{1.0 - 0.1 / 86400}), "1899-12-31");
  EXPECT_EQ(FormatDate(Date{-1.0 - (86400 - 0.1) / 86400}), "1899-12-30");
}

TEST(DateSerialTest, TextFormsRoundTrip) {
  for (const DateParts& p : {DateParts{2024, 3, 7, 14, 5, 9}, DateParts{100, 1, 1, 23, 59, 59},
                             DateParts{1899, 12, 29, 6, 0, 0}, DateParts{9999, 12, 31, 0, 0, 1},
                             DateParts{1600, 2, 29, 12, 0, 0}}) {
    const Date d = *MakeDate(p);
    EXPECT_EQ(ParseDate(FormatDate(d)), d) << FormatDate(d);
    EXPECT_EQ(ParseDate(FormatStoredDate(d)), d);
    EXPECT_EQ(ParseDate(FormatIsoDate(d)), d);
    const DateParts back = SplitDate(d);
    EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
              std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second));
  }
  const Date midnight = *MakeDate({2024, 3, 7, 0, 0, 0});
  EXPECT_TRUE(IsMidnight(midnight));
  EXPECT_EQ(FormatStoredDate(midnight), "2024-03-07 00:00:00");
  EXPECT_EQ(FormatIsoDate(midnight), "2024-03-07T00:00:00");
}

TEST(DateConversionTest, CDateOfTextsAndNumbers) {
  EXPECT_EQ(CDate(Variant("3/7/2024")).serial, 45358.0);
  EXPECT_EQ(CDate(Variant(45358.5)).serial, 45358.5);
  EXPECT_EQ(CDate(Variant()).serial, 0.0);
  EXPECT_EQ(CStr(Variant(CDate(Variant("2024-03-07 14:05:00")))), "2024-03-07 14:05:00");
  EXPECT_EQ(RaisedNumber([] { CDate(Variant("2/30/2024")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CDate(Variant("45358")); }), errnum::kTypeMismatch);
  EXPECT_EQ(RaisedNumber([] { CDate(Variant(3e6)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CDate(Variant(-657434.5)); }), 0);  // 0100-01-01 12:00
  EXPECT_EQ(RaisedNumber([] { CDate(Variant(-657435.0)); }), errnum::kOverflow);
  EXPECT_EQ(RaisedNumber([] { CDate(Variant::Null()); }), errnum::kInvalidUseOfNull);
}

}  // namespace
}  // namespace korvo::rt
