#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "CommandLine.h"

#include "TestSupport.h"

namespace {

const char kUsage[] = " 使い方は「genzov [-oOutputFile] [SourceFiles ...]」だよ\n";

std::string UnknownOption(const std::string& argument) {
    return "Zov " + argument + "なんてオプション知らないよ\n" + kUsage;
}

struct Taken {
    TArgumentOutcome outcome;
    std::string outputPath;
    std::vector<std::string> sources;
    std::string printed;
};

Taken Take(const std::vector<std::string>& arguments) {
    std::vector<std::string> storage{"/usr/local/bin/genzov"};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : storage) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    TRunRequest request;
    testing::internal::CaptureStdout();
    TArgumentOutcome outcome = TakeArguments(static_cast<int>(storage.size()), argv.data(), request);
    Taken taken{outcome, request.outputPath, {}, testing::internal::GetCapturedStdout()};
    for (const char* source : request.sources) {
        taken.sources.emplace_back(source);
    }
    return taken;
}

using Names = std::vector<std::string>;

using TakeArgumentsTest = TestSupport::Utf8LocaleTest;

TEST_F(TakeArgumentsTest, RunGoesOn) {
    const struct {
        const char* what;
        Names arguments;
        std::string outputPath;
        Names sources;
    } cases[] = {
        {"no arguments", {}, "", {}},
        {"sources in order, repeats kept", {"a.txt", "b.txt", "a.txt"}, "", {"a.txt", "b.txt", "a.txt"}},
        {"empty argument is a source", {""}, "", {""}},
        {"extension appended", {"-oout"}, "out.zov", {}},
        {"extension kept", {"-Oout.bin"}, "out.bin", {}},
        {"lone trailing dot is an extension", {"/oout."}, "out.", {}},
        {"dot in a directory name only", {"-odir.d\\out"}, "dir.d\\out.zov", {}},
        {"empty -o leaves the path unset", {"-o", "-ob.zov"}, "b.zov", {}},
        {"path must be in the same argument", {"-o", "out.zov", "a.txt"}, "", {"out.zov", "a.txt"}},
        {"259 characters with the extension", {"-o" + std::string(255, 'p')}, std::string(255, 'p') + ".zov", {}},
        {"no room for the extension", {"-o" + std::string(256, 'p')}, std::string(256, 'p'), {}},
        {"259 characters", {"-o" + std::string(259, 'p')}, std::string(259, 'p'), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Taken taken = Take(c.arguments);
        EXPECT_FALSE(taken.outcome.endRun);
        EXPECT_EQ(taken.outputPath, c.outputPath);
        EXPECT_EQ(taken.sources, c.sources);
        EXPECT_EQ(taken.printed, "");
    }
}

TEST_F(TakeArgumentsTest, OptionsThatEndTheRun) {
    const std::string tooLong(260, 'p');
    const struct {
        const char* what;
        Names arguments;
        std::string printed;
        Names sources;
    } cases[] = {
        {"-h", {"-h"}, kUsage, {}},
        {"/H", {"/H"}, kUsage, {}},
        {"-help", {"-help", "-q"}, kUsage, {}},
        {"second output", {"-oa.zov", "-ob.zov"}, std::string("Zov 出力ファイル指定は一つだけなよ\n") + kUsage, {}},
        {"dash alone", {"-"}, UnknownOption("-"), {}},
        {"slash alone", {"/"}, UnknownOption("/"), {}},
        {"S alone", {"-S"}, UnknownOption("-S"), {}},
        {"S with another letter", {"-Sx"}, UnknownOption("-Sx"), {}},
        {"unknown letter", {"-q"}, UnknownOption("-q"), {}},
        {"percent in the option", {"-%s%n"}, UnknownOption("-%s%n"), {}},
        {"later arguments are not taken", {"a.txt", "-q", "b.txt", "-x"}, UnknownOption("-q"), {"a.txt"}},
        {"path over 259 characters", {"-o" + tooLong}, TestSupport::CannotOpenMessage(tooLong, ENAMETOOLONG), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Taken taken = Take(c.arguments);
        EXPECT_TRUE(taken.outcome.endRun);
        EXPECT_EQ(taken.outcome.exitStatus, 1);
        EXPECT_EQ(taken.printed, c.printed);
        EXPECT_EQ(taken.sources, c.sources);
    }
}

TEST_F(TakeArgumentsTest, DumpCommandEndsTheRunWithItsResult) {
    for (const Names& arguments : {Names{"-sd", "-q"}, Names{"missing.txt", "/SDx"}}) {
        SCOPED_TRACE(arguments[0]);
        Taken taken = Take(arguments);
        EXPECT_TRUE(taken.outcome.endRun);
        EXPECT_EQ(taken.outcome.exitStatus, 0);
        EXPECT_EQ(taken.printed.rfind("0011\t6\t100\t", 0), 0u);
        EXPECT_EQ(taken.printed.find("-q"), std::string::npos);
        EXPECT_EQ(std::count(taken.printed.begin(), taken.printed.end(), '\n'), 24);
    }
}

}  // namespace
