#include "app/system/SpeechService.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Records what the service asks; the test plays the synthesizer's outcomes.
class FakeSynthesizer : public SpeechSynthesizer {
public:
    void speak(const QString& text, const QString& languageCode) override {
        readings.append(languageCode + QLatin1Char(':') + text);
        ++going;
    }
    void stop() override {
        ++stops;
        if (finishOnStop && going > 0) {
            --going;
            emit finished();
        }
    }
    QStringList readings;
    int stops = 0, going = 0;
    // Like the real synthesizer; off, the end of a stopped reading arrives when the test says.
    bool finishOnStop = true;
};

class SpeechServiceTest : public testing::Test {
protected:
    FakeSynthesizer* fake = new FakeSynthesizer;
    SpeechService service{std::unique_ptr<SpeechSynthesizer>(fake)};
};

TEST_F(SpeechServiceTest, ToggleReadsUntilFinishedOrFailedAndASecondToggleStops) {
    service.toggle("Bom dia", "pt");
    EXPECT_TRUE(service.isSpeaking());
    emit fake->started();
    emit fake->finished();
    EXPECT_FALSE(service.isSpeaking());

    service.toggle("one", "en");
    service.toggle("two", "en");
    EXPECT_FALSE(service.isSpeaking());
    EXPECT_EQ(fake->stops, 1);
    EXPECT_EQ(fake->readings, QStringList({"pt:Bom dia", "en:one"}));

    // A failure ends the reading and is kept until a good start.
    service.toggle("Bos días", "gl");
    emit fake->failed("No voice reads Galician.");
    EXPECT_FALSE(service.isSpeaking());
    EXPECT_EQ(service.lastError(), "No voice reads Galician.");
    service.toggle("Good morning", "en");
    EXPECT_EQ(service.lastError(), "No voice reads Galician.");
    emit fake->started();
    EXPECT_TRUE(service.lastError().isEmpty());
}

// The end or failure of a stopped reading arrives late; it must not touch the next reading.
TEST_F(SpeechServiceTest, OutcomesOfAStoppedReadingNeitherEndNorFailTheNext) {
    fake->finishOnStop = false;
    service.toggle("first", "en");
    service.stop();
    emit fake->failed("Speech Dispatcher could not read the text.");
    EXPECT_FALSE(service.isSpeaking());
    EXPECT_TRUE(service.lastError().isEmpty());
    service.toggle("second", "en");
    service.toggle("second", "en"); // stop; its end is still on the way
    service.toggle("third", "en");
    emit fake->finished(); // the second reading's end
    EXPECT_TRUE(service.isSpeaking());
    emit fake->started();
    emit fake->finished();
    EXPECT_FALSE(service.isSpeaking());

    // Stray outcomes without a reading change nothing either.
    emit fake->finished();
    emit fake->failed("stray");
    service.toggle("text", "en");
    EXPECT_TRUE(service.isSpeaking());
    EXPECT_TRUE(service.lastError().isEmpty());
}

} // namespace
