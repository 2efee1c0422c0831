#include "app/system/SpeechService.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// How often `signal` of `sender` fires from now on.
template <typename Signal>
std::shared_ptr<int> countOf(const SpeechService* sender, Signal signal) {
    auto count = std::make_shared<int>(0);
    QObject::connect(sender, signal, [count] { ++*count; });
    return count;
}

// Records what the service asks; the test plays the synthesizer's outcomes.
class FakeSynthesizer : public SpeechSynthesizer {
public:
    struct Reading {
        QString text;
        QString languageCode;
    };
    void speak(const QString& text, const QString& languageCode) override {
        readings.append({text, languageCode});
        ++going;
    }
    void stop() override {
        ++stops;
        if (finishOnStop && going > 0) {
            --going;
            emit finished();
        }
    }
    QList<Reading> readings;
    int stops = 0;
    int going = 0;
    // Like the real synthesizer; off, the end of a stopped reading arrives when the test says.
    bool finishOnStop = true;
};

class SpeechServiceTest : public testing::Test {
protected:
    SpeechServiceTest() {
        auto owned = std::make_unique<FakeSynthesizer>();
        fake = owned.get();
        service = std::make_unique<SpeechService>(std::move(owned));
    }
    FakeSynthesizer* fake;
    std::unique_ptr<SpeechService> service;
};

TEST_F(SpeechServiceTest, ToggleStartsAtOnceAndFinishedEndsIt) {
    const auto changes = countOf(service.get(), &SpeechService::isSpeakingChanged);
    service->toggle("Bom dia", "pt");
    EXPECT_TRUE(service->isSpeaking());
    ASSERT_EQ(fake->readings.size(), 1);
    EXPECT_EQ(fake->readings[0].text, "Bom dia");
    EXPECT_EQ(fake->readings[0].languageCode, "pt");
    emit fake->started();
    EXPECT_TRUE(service->isSpeaking());
    emit fake->finished();
    EXPECT_FALSE(service->isSpeaking());
    EXPECT_EQ(*changes, 2);
    EXPECT_TRUE(service->lastError().isEmpty());
}

TEST_F(SpeechServiceTest, ASecondToggleStopsInsteadOfReadingAgain) {
    for (const bool started : {true, false}) {
        SCOPED_TRACE(started ? "started" : "not started yet");
        service->toggle("one", "en");
        if (started)
            emit fake->started();
        service->toggle("two", "en");
        EXPECT_FALSE(service->isSpeaking());
    }
    EXPECT_EQ(fake->stops, 2);
    EXPECT_EQ(fake->readings.size(), 2);
}

TEST_F(SpeechServiceTest, FailureEndsTheReadingAndIsKeptUntilAGoodStart) {
    service->toggle("Bos días", "gl");
    emit fake->failed("No voice on this computer reads Galician.");
    EXPECT_FALSE(service->isSpeaking());
    EXPECT_EQ(service->lastError(), "No voice on this computer reads Galician.");
    service->toggle("Good morning", "en");
    EXPECT_EQ(service->lastError(), "No voice on this computer reads Galician.");
    emit fake->started();
    EXPECT_TRUE(service->lastError().isEmpty());
}

// The end or failure of a stopped reading arrives late; it must not touch the next reading.
TEST_F(SpeechServiceTest, OutcomesOfAStoppedReadingNeitherEndNorFailTheNext) {
    fake->finishOnStop = false;
    service->toggle("first", "en");
    service->stop();
    emit fake->failed("Speech Dispatcher could not read the text.");
    EXPECT_FALSE(service->isSpeaking());
    EXPECT_TRUE(service->lastError().isEmpty());
    service->toggle("second", "en");
    service->toggle("second", "en"); // stop; its end is still on the way
    service->toggle("third", "en");
    ASSERT_EQ(fake->readings.size(), 3);
    emit fake->finished(); // the second reading's end
    EXPECT_TRUE(service->isSpeaking());
    emit fake->started();
    emit fake->finished();
    EXPECT_FALSE(service->isSpeaking());

    // Stray outcomes without a reading change nothing either.
    emit fake->finished();
    emit fake->failed("stray");
    service->toggle("text", "en");
    EXPECT_TRUE(service->isSpeaking());
    EXPECT_TRUE(service->lastError().isEmpty());
}

TEST(SpeechServiceWithoutSynthesizer, ToggleExplainsAndNeverSpeaks) {
    SpeechService service(nullptr);
    const auto changes = countOf(&service, &SpeechService::isSpeakingChanged);
    service.toggle("Hallo", "de");
    service.toggle("Hallo", "de");
    EXPECT_FALSE(service.isSpeaking());
    EXPECT_EQ(*changes, 0);
    EXPECT_EQ(service.lastError(), "Speech is not available on this computer.");
}

TEST(SpeechServiceShared, InstallingASynthesizerGivesTheSharedServiceAVoice) {
    SpeechService& shared = SpeechService::shared();
    shared.toggle("Hallo", "de");
    EXPECT_FALSE(shared.isSpeaking());
    auto owned = std::make_unique<FakeSynthesizer>();
    FakeSynthesizer* first = owned.get();
    SpeechService::installShared(std::move(owned));
    shared.toggle("Hallo", "de");
    EXPECT_TRUE(shared.isSpeaking());
    EXPECT_EQ(first->readings.size(), 1);

    // A replacement ends what the old one was reading.
    auto replacement = std::make_unique<FakeSynthesizer>();
    FakeSynthesizer* second = replacement.get();
    SpeechService::installShared(std::move(replacement));
    EXPECT_FALSE(shared.isSpeaking());
    shared.toggle("Hallo", "de");
    EXPECT_EQ(second->readings.size(), 1);
    emit second->finished();
    EXPECT_FALSE(shared.isSpeaking());
}

} // namespace
