// Labeled values in the scratch ring and the label tokens, in the test program's own language
// context: it has no string tables, so the labels are the English defaults.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <string>

#include "support/lang/lang_context.h"
#include "support/platform/resources.h"
#include "support/time/locale_separators.h"
#include "support/time/time_labels.h"
#include "support/ui/print_writer.h"
#include "tz/time_text.h"
#include "user_locale.h"

namespace {

struct TimeLabelsTest : ::testing::Test {
  static void SetUpTestSuite() {
    tz::test::useLocale("C");
    const void* image = tz::platform::imageOf(reinterpret_cast<const void*>(&SetUpTestSuite));
    ASSERT_EQ(S_OK, tz::lang::openModuleLanguage(static_cast<HINSTANCE>(const_cast<void*>(image))));
  }
};

TEST_F(TimeLabelsTest, LabeledValuesHoldTheirDecimalsAndTheLimit) {
  const auto fixed = [](LONG v, int decimals, LONG limit, const WCHAR* suffix) {
    return std::u16string(TzGetLabeledStringFixed(v, decimals, limit, suffix));
  };
  const auto real = [](double v, int decimals, double limit, const WCHAR* suffix) {
    return std::u16string(TzGetLabeledStringFloat(v, decimals, limit, suffix));
  };
  EXPECT_EQ(u"12.34 dB", fixed(1234, 2, 0, u" dB"));
  EXPECT_EQ(u"-1,234,567 Hz", fixed(-1234567, -3, 0, u" Hz"));
  EXPECT_EQ(u"0.000000001", fixed(1, 12, 0, nullptr));  // decimals held to 9
  EXPECT_EQ(u"-Inf.", fixed(10, 1, 10, u" dB"));
  EXPECT_EQ(u"1,234.50%s", real(1234.5, 2, 0.0, u"%s"));  // the suffix is text, not a format
  EXPECT_EQ(u"-Inf.", real(-96.0, 1, -96.0, u" dB"));
  EXPECT_EQ(u"2,147,483,647", real(1e300, 0, 0.0, nullptr));
  EXPECT_EQ(u"0", real(std::nan(""), 0, 0.0, nullptr));
}

// The request is the number and the suffix: two long labels in a row both stay whole, and one
// longer than the ring gets the error label instead of a cut or an overrun.
TEST_F(TimeLabelsTest, TheScratchRequestIsSizedFromTheSuffix) {
  const std::u16string a(3000, u'a'), b(3000, u'b');
  const WCHAR* first = TzGetLabeledStringFixed(1, 0, 0, a.c_str());
  const WCHAR* second = TzGetLabeledStringFloat(2.0, 1, 0.0, b.c_str());
  EXPECT_EQ(u"1" + a, std::u16string(first));
  EXPECT_EQ(u"2.0" + b, std::u16string(second));
  const std::u16string tooLong(9000, u'x');
  EXPECT_EQ(u"Err.", std::u16string(TzGetLabeledStringFixed(1, 0, 0, tooLong.c_str())));
}

TEST_F(TimeLabelsTest, LabelTokensFillOnlyTheirTextConversions) {
  tz::time::registerTimeLabelTokens();
  WCHAR text[256];
  tz::ui::printF(text, 256,
                 u"$(SMPTE.Label.NonDrop)|$(SMPTE.Label.Drop)|$(SMPTE.Label.NonDrop.Full)|"
                 u"$(SMPTE.Label.Drop.Full)|$(MusicTime.Label)|$(MusicTime.Label.Full)");
  EXPECT_EQ(std::u16string(u"hr:mn:sc.fr|hr:mn:sc,fr|hours:minutes:seconds.frames|"
                           u"hours:minutes:seconds,frames|ms.bt.tk|measures.beats.ticks"),
            text);
  // A translated template is outside input: what is not "%s" is written as it stands.
  const char16_t* fills[] = {u":", u"."};
  EXPECT_EQ(u"%d:$(AppName)%n.100%%s$:%",
            tz::time::fillLabelTemplate(u"%d%s$(AppName)%n%s100%%%s$:%", fills));
}

}  // namespace
