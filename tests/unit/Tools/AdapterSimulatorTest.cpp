// The simulated adapter's own rules: a state file that keeps its writes and refuses what does not
// fit.

#include "AdapterSimulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray settingsRequest(uint8_t rw, uint8_t defaultLens) {
    PC2L02_TD request;
    request.rw = rw;
    request.DefaultCustomLens = defaultLens;
    request.calculateChecksum();
    return request.toData();
}

} // namespace

// A state file edited by hand may hold anything; a value that does not fit its field must stop the
// simulator with a message naming it, never be cast into a wrong number or overrun its field, and the
// file must survive. (The product's tests never load such a file, so a few kinds stand for all.)
TEST(AdapterSimulator, keepsWritesInItsStateFileAndRefusesValuesOutsideTheirFields) {
    QTemporaryDir dir;
    AdapterSimulator::Options options;
    options.stateFile = dir.filePath("state.json");
    AdapterSimulator(options).receive(settingsRequest(1, 3));
    EXPECT_EQ(AdapterSimulator(options).settings().DefaultCustomLens, 3) << "a restart reads its writes";
    const auto load = [&](const QByteArray& json) {
        QFile file(options.stateFile);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        return std::make_unique<AdapterSimulator>(options);
    };
    const QList<std::pair<QByteArray, QString>> refused{
        {R"({"settings":{"U32_1":1e20}})",
         "settings.U32_1 is 1e+20, not a whole number from 0 to 4294967295"},
        {R"({"profiles":[{},{"ApretureValue":[1,256]}]})", "profiles[1].ApretureValue[1] is 256"},
        {R"({"profiles":[{"LensNameString":")" + QByteArray(82, 'a') + R"("}]})",
         "not hex of at most 40 bytes"},
        {R"({"settings":)", "not JSON"},
    };
    for (const auto& [json, message] : refused) {
        SCOPED_TRACE(json.toStdString());
        const auto adapter = load(json);
        EXPECT_TRUE(adapter->stateError().contains(message)) << adapter->stateError().toStdString();
        EXPECT_EQ(adapter->settings().U32_1, 1000u); // the defaults stand
        adapter->receive(settingsRequest(1, 2));
        QFile file(options.stateFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), json);
    }
}
