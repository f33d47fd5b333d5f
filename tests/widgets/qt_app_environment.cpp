// One QApplication for the whole test run, made before the first test and
// destroyed after the last. Tests run on the offscreen platform unless the
// environment chooses another.
#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

class QtAppEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        m_App = std::make_unique<QApplication>(m_Argc, m_Argv);
    }
    void TearDown() override { m_App.reset(); }

  private:
    char m_Name[13] = "widgets_test";
    int m_Argc = 1;
    char* m_Argv[2] = {m_Name, nullptr};
    std::unique_ptr<QApplication> m_App;
};

[[maybe_unused]] ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace
