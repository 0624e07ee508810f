#include "runtime/error_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ErrorMessageTest, Table) {
  struct {
    int number;
    const char* expected;
  } cases[] = {
      {0, "No Error"},
      {5, "Illegal function call"},
      {6, "Overflow"},
      {7, "Out of memory"},
      {9, "Subscript/Pointer out of range"},
      {11, "Division by zero"},
      {24, "Device timeout"},
      {51, "Internal error"},
      {52, "Bad file name or number"},
      {53, "File not found"},
      {54, "Bad file mode"},
      {55, "File is open"},
      {57, "Device I/O error"},
      {58, "File already exists"},
      {61, "Disk full"},
      {62, "Input past end"},
      {63, "Bad record number"},
      {64, "Bad file name"},
      {67, "Too many files"},
      {68, "Device unavailable"},
      {69, "Comm error"},
      {70, "Permission denied"},
      {71, "Disk not ready"},
      {72, "Disk media error"},
      {74, "Rename across disks"},
      {75, "Path/file access error"},
      {76, "Path not found"},
      {99, "Object error"},
      {241, "Global memory corrupt"},
      {242, "String space corrupt"},
      // Numbers without a text of their own.
      {1, ""},
      {56, ""},
      {123, ""},
      {240, ""},
      {255, ""},
      // Above 255 a number reads as 0.
      {256, "No Error"},
      {100000, "No Error"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    EXPECT_EQ(c.expected, errorMessage(c.number));
  }
}

TEST(ErrorRecordTest, EmptyRecord) {
  ErrorRecord errors;
  errors.enterStep(1000);
  EXPECT_EQ(0, errors.errorLine());
  EXPECT_EQ("", errors.errorLabel());
  EXPECT_FALSE(errors.checkError());
  EXPECT_EQ(0, errors.takeErrorNumber());
}

TEST(ErrorRecordTest, FailureTakesCurrentStep) {
  ErrorRecord errors;
  errors.enterLabel("CMDFIX");
  errors.fail(kFileNotFound);
  // No numbered step yet: line 0, label of the named step.
  EXPECT_EQ(0, errors.errorLine());
  EXPECT_EQ("CMDFIX", errors.errorLabel());

  errors.enterStep(1020);
  errors.fail(kFileNotFound);
  EXPECT_EQ(1020, errors.errorLine());
  EXPECT_EQ("1020", errors.errorLabel());

  // A named step after a numbered one keeps the number as the line.
  errors.enterLabel("SEARCH");
  errors.fail(kInputPastEnd);
  EXPECT_EQ(1020, errors.errorLine());
  EXPECT_EQ("SEARCH", errors.errorLabel());

  // Steps entered after the failure do not change the record.
  errors.enterStep(50000);
  errors.enterLabel("FINISHED");
  EXPECT_EQ(1020, errors.errorLine());
  EXPECT_EQ("SEARCH", errors.errorLabel());
  EXPECT_EQ(kInputPastEnd, errors.takeErrorNumber());
  EXPECT_EQ(0, errors.errorLine());
  EXPECT_EQ("", errors.errorLabel());
  EXPECT_EQ(0, errors.takeErrorNumber());
}

TEST(ErrorRecordTest, LabelIsCutToEightAndToFirstBlank) {
  struct {
    const char* label;
    const char* expected;
  } cases[] = {
      {"INTERROR", "INTERROR"},
      {"INTERRORX", "INTERROR"},
      {"AB CD", "AB"},
      {"ABCDEFG HIJ", "ABCDEFG"},
      {" LEAD", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ErrorRecord errors;
    errors.enterLabel(c.label);
    errors.fail(kFileNotFound);
    EXPECT_EQ(c.expected, errors.errorLabel());
  }
}

TEST(ErrorRecordTest, ZeroBecomesInternalErrorAndLastFailureWins) {
  ErrorRecord errors;
  errors.fail(0);
  EXPECT_EQ(kInternalError, errors.takeErrorNumber());

  errors.fail(kBadFileMode);
  errors.fail(kInputPastEnd);
  EXPECT_EQ(kInputPastEnd, errors.takeErrorNumber());
}

TEST(ErrorRecordTest, SetErrorStepClearsPendingMark) {
  ErrorRecord errors;
  errors.fail(kFileNotFound);
  EXPECT_TRUE(errors.pending());
  errors.setErrorStep(7);
  EXPECT_FALSE(errors.pending());
  EXPECT_FALSE(errors.checkError());
  // The number itself stays for a later look.
  EXPECT_EQ(kFileNotFound, errors.takeErrorNumber());
}

TEST(ErrorRecordTest, CheckErrorActsOncePerFailure) {
  ErrorRecord errors;
  errors.setErrorStep(3);
  errors.fail(kBadFileName);
  EXPECT_TRUE(errors.checkError());
  EXPECT_EQ(3, errors.errorStep());
  EXPECT_FALSE(errors.checkError());
  // The failure waits in the record for the error step to take it.
  EXPECT_EQ(kBadFileName, errors.takeErrorNumber());

  // A failure still pending when the error step ends is not acted on.
  errors.fail(kBadFileName);
  EXPECT_TRUE(errors.pending());
  errors.leaveErrorStep();
  EXPECT_FALSE(errors.pending());
  EXPECT_FALSE(errors.checkError());

  errors.setErrorStep(ErrorRecord::kNoStep);
  errors.fail(kBadFileName);
  EXPECT_FALSE(errors.checkError());
}

// 241 and above mean the run's own memory can no longer be trusted: the
// record says the run must end, however the number is taken from it, and a
// tool's main then ends the process with 255.
TEST(ErrorRecordDeathTest, HighNumbersEndTheProcess) {
  for (int number : {241, 242, 255, 300}) {
    SCOPED_TRACE(number);
    EXPECT_EXIT(
        {
          ErrorRecord errors;
          errors.fail(number);
          (void)errors.takeErrorNumber();
          std::exit(errors.fatal() ? 255 : 0);
        },
        testing::ExitedWithCode(255), "");
  }
}

TEST(ErrorRecordTest, NumbersBelow241DoNotEndTheProcess) {
  for (int number : {0, int{kOutOfMemory}, 240}) {
    SCOPED_TRACE(number);
    ErrorRecord errors;
    errors.fail(number);
    EXPECT_FALSE(errors.fatal());
    EXPECT_EQ(number == 0 ? kInternalError : number, errors.takeErrorNumber());
  }
}

// A small main routine in the form the tools use: one step per case, a
// `checkError` after each statement, and a jump to the error step when it
// says so. Each name in `fail_at` makes that statement fail once; `trace`
// records what ran.
enum Step { kFirst, kSecond, kThird, kHandler, kDone };

struct Seen {
  uint16_t line;
  std::string label;
  int number;
  uint16_t line_after_take;
  std::string label_after_take;
};

struct Routine {
  ErrorRecord errors;
  std::vector<std::string> trace;
  std::vector<std::string> fail_at;
  bool use_error_step = true;
  std::vector<Seen> handler_saw;

  void statement(const std::string& name, int number) {
    trace.push_back(name);
    for (auto it = fail_at.begin(); it != fail_at.end(); ++it) {
      if (*it == name) {
        fail_at.erase(it);
        errors.fail(number);
        return;
      }
    }
  }

  void run() {
    Step step = kFirst;
    for (int guard = 0; guard < 100; ++guard) {
      switch (step) {
        case kFirst:
          errors.enterStep(100);
          if (use_error_step) errors.setErrorStep(kHandler);
          statement("first", kFileNotFound);
          if (errors.checkError()) {
            step = Step(errors.errorStep());
            continue;
          }
          [[fallthrough]];
        case kSecond:
          errors.enterLabel("SECOND");
          statement("second.a", kBadFileMode);
          if (errors.checkError()) {
            step = Step(errors.errorStep());
            continue;
          }
          statement("second.b", kBadFileMode);
          if (errors.checkError()) {
            step = Step(errors.errorStep());
            continue;
          }
          [[fallthrough]];
        case kThird:
          errors.enterStep(1000);
          statement("third", kInputPastEnd);
          if (errors.checkError()) {
            step = Step(errors.errorStep());
            continue;
          }
          step = kDone;
          continue;
        case kHandler: {
          errors.enterLabel("HANDLER");
          Seen seen;
          seen.line = errors.errorLine();
          seen.label = errors.errorLabel();
          seen.number = errors.takeErrorNumber();
          seen.line_after_take = errors.errorLine();
          seen.label_after_take = errors.errorLabel();
          handler_saw.push_back(seen);
          statement("handler", kBadFileName);
          if (errors.checkError()) {
            step = Step(errors.errorStep());
            continue;
          }
          errors.leaveErrorStep();
          step = kThird;
          continue;
        }
        case kDone:
          return;
      }
    }
    ADD_FAILURE() << "the routine did not end";
  }
};

TEST(ErrorStepTest, NoFailureRunsEveryStatementOnce) {
  Routine r;
  r.run();
  EXPECT_EQ(
      (std::vector<std::string>{"first", "second.a", "second.b", "third"}),
      r.trace);
  EXPECT_TRUE(r.handler_saw.empty());
}

TEST(ErrorStepTest, FailureWithNoErrorStepIsPassedOver) {
  Routine r;
  r.use_error_step = false;
  r.fail_at = {"second.a"};
  r.run();
  EXPECT_EQ(
      (std::vector<std::string>{"first", "second.a", "second.b", "third"}),
      r.trace);
  EXPECT_TRUE(r.handler_saw.empty());
  // The number waits in the record for whoever asks.
  EXPECT_EQ(100, r.errors.errorLine());
  EXPECT_EQ("SECOND", r.errors.errorLabel());
  EXPECT_EQ(kBadFileMode, r.errors.takeErrorNumber());
}

TEST(ErrorStepTest, FailureGoesToErrorStepWithItsStep) {
  Routine r;
  r.fail_at = {"second.a"};
  r.run();
  // second.b does not run; the handler resumes at the third step.
  EXPECT_EQ((std::vector<std::string>{"first", "second.a", "handler", "third"}),
            r.trace);
  ASSERT_EQ(1u, r.handler_saw.size());
  EXPECT_EQ(100, r.handler_saw[0].line);
  EXPECT_EQ("SECOND", r.handler_saw[0].label);
  EXPECT_EQ(kBadFileMode, r.handler_saw[0].number);
  EXPECT_EQ(0, r.handler_saw[0].line_after_take);
  EXPECT_EQ("", r.handler_saw[0].label_after_take);
  EXPECT_FALSE(r.errors.pending());
  EXPECT_EQ(0, r.errors.takeErrorNumber());
}

TEST(ErrorStepTest, FailureInsideErrorStepEntersItAgain) {
  Routine r;
  r.fail_at = {"third", "handler"};
  r.run();
  EXPECT_EQ((std::vector<std::string>{"first", "second.a", "second.b", "third",
                                      "handler", "handler", "third"}),
            r.trace);
  ASSERT_EQ(2u, r.handler_saw.size());
  EXPECT_EQ(1000, r.handler_saw[0].line);
  EXPECT_EQ("1000", r.handler_saw[0].label);
  EXPECT_EQ(kInputPastEnd, r.handler_saw[0].number);
  // The second entry sees the failure of the handler's own statement.
  EXPECT_EQ(1000, r.handler_saw[1].line);
  EXPECT_EQ("HANDLER", r.handler_saw[1].label);
  EXPECT_EQ(kBadFileName, r.handler_saw[1].number);
}

}  // namespace
