// The operation record of the integration engine in its deliver form, on a
// project made with vantool: what each of the three formats writes (format 1
// leaves out the target stream, the operation type and the foundation
// baselines; empty lists and an unposted deliver write no line), that a
// record reads back into the same operation, that a format 1 record
// restores without a target, and the records that cannot be read: a newer
// format (code 3), a key the map does not know, an object that no longer
// exists (a warning when lenient, code 28 otherwise). Also the states'
// stored names and the printing of an operation started at time 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_integration.h"
#include "sum/sum_version.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "support/imsg_capture.h"
#include "support/project_builder.h"
#include "support/sandbox.h"
#include "support/vantool_runner.h"

namespace {

using test_support::has;
using test_support::ImsgCapture;

// An operation with the deliver record's values and nothing else: the
// record is all it is for.
class RecordOnly : public SUM_Integration {
 public:
  SUM_String status_msg(int code) const override { return status_msg_common(code); }
  const char* pvar_name() const override { return "ZEM_DELIVER"; }
  const SUM_AVMapList& record_map() const override { return deliver_map(); }
  int save_to_pvar() override { return save_operation(deliver_map()); }
  int check_operation_pvar() override { return check_integration_info(); }
  int restore_from_pvar(const int& lenient) override {
    return restore_operation(deliver_map(), lenient);
  }
  int start(const SUM_Stream& stream) override { return start_common(stream); }
  int restart(const SUM_Stream& stream) override { return restart_common(stream); }
  int prepare_view(const SUM_View&) override { return SUM_OK; }
  int do_integration(OpnState) override { return SUM_OK; }
  int versions_to_merge(SUM_VersionList& out, int& count) const override {
    out = SUM_VersionList();
    count = 0;
    return SUM_OK;
  }
  int cancel() override { return clear_integration_info(); }
  int activities(SUM_ActivityList& out) override {
    out = SUM_ActivityList();
    return SUM_OK;
  }
  SUM_Stream target_stream() const override { return target_; }
  int posted(int& out) const override {
    out = posted_;
    return SUM_OK;
  }
  int optype(DeliverOpType& out) const override {
    out = optype_;
    return SUM_OK;
  }
  int baselines(SUM_BaselineList& out) const override {
    out = bls_;
    return SUM_OK;
  }
  int bls_created(SUM_BaselineList& out) const override {
    out = SUM_BaselineList();
    return SUM_OK;
  }
  int fdn_bls_in_stream_bls(SUM_BaselineList& out) const override {
    out = fdn_;
    return SUM_OK;
  }
  int orig_replica(SUM_Replica& out) const override {
    out = SUM_Replica();
    return SUM_OK;
  }
  int integrator(SUM_String& out) const override {
    out = integrator_;
    return SUM_OK;
  }
  int tk_remastered_acts(SUM_ActivityList& out) const override {
    out = SUM_ActivityList();
    return SUM_OK;
  }
  int set_baselines(const SUM_BaselineList& list) override {
    bls_ = list;
    return SUM_OK;
  }
  int set_target_stream(const SUM_Stream& stream) override {
    target_ = stream;
    return SUM_OK;
  }
  int set_fdn_bls_in_stream_bls(const SUM_BaselineList& list) override {
    fdn_ = list;
    return SUM_OK;
  }
  int set_posted(int posted) override {
    posted_ = posted;
    return SUM_OK;
  }
  int set_optype(DeliverOpType type) override {
    optype_ = type;
    return SUM_OK;
  }
  int set_integrator(const SUM_String& login) override {
    integrator_ = login;
    return SUM_OK;
  }

  SUM_Stream target_;
  SUM_BaselineList bls_, fdn_;
  int posted_ = 0;
  DeliverOpType optype_ = DELIVER_LOCAL;
  SUM_String integrator_;
};

class IntegrationRecordTest : public ::testing::Test {
 protected:
  // The standard project: "dev" delivers to "int".
  void SetUp() override {
    ASSERT_TRUE(build_project(home, test_support::standard_project()));
    ASSERT_EQ(SUM_Stream::construct_from_selector("stream:dev@/pvob", SUM_Vob(), dev), 0);
    ASSERT_EQ(SUM_Stream::construct_from_selector("stream:int@/pvob", SUM_Vob(), integration), 0);
    ASSERT_EQ(
        SUM_Baseline::construct_from_selector("baseline:src_INITIAL@/pvob", SUM_Vob(), initial), 0);
  }
  std::string stored() {
    SUM_String text;
    EXPECT_EQ(dev.pvar("ZEM_DELIVER", text), 0);
    return std::string(text);
  }
  std::string selector(const SUM_VobObject& object) {
    SUM_String text;
    EXPECT_EQ(object.univ_selector(text), 0);
    return std::string(text);
  }
  // An operation on "dev" to "int" of src_INITIAL in format `format`.
  void fill(RecordOnly& op, int format) {
    ASSERT_EQ(op.start(dev), 0);
    op.set_format(format);
    op.set_state(SUM_Integration::OP_COMMITTED);
    op.set_target_stream(integration);
    SUM_BaselineList bls;
    bls.append(initial);
    op.set_baselines(bls);
    op.set_fdn_bls_in_stream_bls(bls);
    op.set_optype(SUM_Integration::DELIVER_POSTED);
  }

  test_support::TempHome home;
  SUM_Stream dev, integration;
  SUM_Baseline initial;
};

TEST_F(IntegrationRecordTest, EachFormatWritesItsKeysInOrder) {
  for (int format : {1, 2, 3}) {
    RecordOnly op;
    fill(op, format);
    ASSERT_EQ(op.save_to_pvar(), 0) << format;
    std::string text = stored();
    std::string expected =
        "ver=" + std::to_string(format) + "\nowner=" + std::string(op.op_owner()) +
        "\nstart=" + std::to_string(op.op_start_time()) + "\nstate=op_committed\n";
    if (format > 1)
      expected += "target_stream=" + selector(integration) + "\n";
    expected += "bls=" + selector(initial) + "\n";
    if (format > 1)
      expected += "optype=1\nfdnbls_included=" + selector(initial) + "\n";
    EXPECT_EQ(text, expected) << "format " << format;
    EXPECT_EQ(op.cached_record(), SUM_String(text.c_str()));
    ASSERT_EQ(op.cancel(), 0);
    EXPECT_EQ(stored(), "");
  }
}

TEST_F(IntegrationRecordTest, ARecordReadsBackIntoTheSameOperation) {
  RecordOnly first;
  fill(first, 3);
  first.set_posted(1);
  first.set_integrator("carol");
  ASSERT_EQ(first.save_to_pvar(), 0);
  EXPECT_TRUE(has(stored(), "\nposted=T\noptype=1\nintegrator=carol\n")) << stored();

  RecordOnly second;
  ASSERT_EQ(second.restart(dev), 0);
  ASSERT_EQ(second.restore_from_pvar(0), 0);
  EXPECT_EQ(second.op_state(), SUM_Integration::OP_COMMITTED);
  EXPECT_EQ(second.op_owner(), first.op_owner());
  EXPECT_EQ(second.op_start_time(), first.op_start_time());
  EXPECT_TRUE(second.target_ == integration);
  ASSERT_EQ(second.bls_.count(), 1u);
  EXPECT_TRUE(second.bls_[0] == initial);
  EXPECT_EQ(second.posted_, 1);
  EXPECT_EQ(second.optype_, SUM_Integration::DELIVER_POSTED);
  EXPECT_EQ(second.integrator_, SUM_String("carol"));
  // Saving again from the restored object writes the same text.
  std::string before = stored();
  ASSERT_EQ(second.save_to_pvar(), 0);
  EXPECT_EQ(stored(), before);
  // The first object's cached record is still right: its own save goes
  // through, after which the second one's is stale.
  first.set_state(SUM_Integration::MERGING);
  ASSERT_EQ(first.save_to_pvar(), 0);
  ImsgCapture capture;
  EXPECT_EQ(second.save_to_pvar(), SUM_FAILED);
  EXPECT_EQ(second.op_status(), SUM_Integration::ST_OPERATION_CORRUPTED);
  EXPECT_EQ(second.check_operation_pvar(), SUM_FAILED);
  EXPECT_TRUE(has(stored(), "state=merging\n"));
}

TEST_F(IntegrationRecordTest, FormatOneHasNoTarget) {
  RecordOnly first;
  fill(first, 1);
  ASSERT_EQ(first.save_to_pvar(), 0);
  RecordOnly second;
  ASSERT_EQ(second.restart(dev), 0);
  ASSERT_EQ(second.restore_from_pvar(0), 0);
  EXPECT_EQ(second.op_format(), 1);
  EXPECT_TRUE(second.target_.is_null()) << "the deliver takes the default target itself";
  EXPECT_EQ(second.fdn_.count(), 0u);
}

TEST_F(IntegrationRecordTest, RecordsThatCannotBeRead) {
  RecordOnly op;
  fill(op, 3);
  ASSERT_EQ(op.save_to_pvar(), 0);
  std::string good = stored();
  struct Case {
    std::string text;
    int code;
  };
  std::string gone =
      "ver=3\nowner=me\nstart=5\nstate=merging\nbls=oid:00000000.0000.0000.0000."
      "000000000001@vobuuid:00000000.0000.0000.0000.000000000002\n";
  const Case cases[] = {
      {"ver=4\nowner=me\nstate=merging\n", SUM_Integration::ST_VERSION_MISMATCH},
      {"ver=3\nshoe_size=9\n", SUM_Integration::ST_STATE_CORRUPTED},
      {"ver=3\nowner=me\n", SUM_Integration::ST_STATE_CORRUPTED},
      {gone, SUM_Integration::ST_CANNOT_RESTORE},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(dev.set_pvar("ZEM_DELIVER", c.text.c_str(), 0, nullptr), 0);
    RecordOnly restored;
    ASSERT_EQ(restored.restart(dev), 0);
    ImsgCapture capture;
    EXPECT_NE(restored.restore_from_pvar(0), 0) << c.text;
    EXPECT_EQ(restored.op_status(), c.code) << c.text;
  }
  // Lenient: the missing baseline is a warning and the rest is read.
  RecordOnly lenient;
  ASSERT_EQ(lenient.restart(dev), 0);
  ImsgCapture capture;
  EXPECT_EQ(lenient.restore_from_pvar(1), 0);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING), "Unable to construct object"))
      << capture.joined(IMSG_WARNING);
  EXPECT_EQ(lenient.op_state(), SUM_Integration::MERGING);
  EXPECT_EQ(lenient.op_status(), SUM_Integration::ST_DATA_CORRUPTED);
}

TEST_F(IntegrationRecordTest, StatesAndPrinting) {
  // Every state has a stored name that reads back.
  for (int state = 0; state < SUM_Integration::STATE_COUNT; ++state) {
    SUM_Integration::OpnState read = SUM_Integration::NO_STATE;
    ASSERT_EQ(SUM_Integration::state_from_name(SUM_Integration::state_name(state), read), 0);
    EXPECT_EQ(read, state);
  }
  SUM_Integration::OpnState read = SUM_Integration::NO_STATE;
  EXPECT_EQ(SUM_Integration::state_from_name("done", read), SUM_NOT_FOUND);
  EXPECT_EQ(SUM_Integration::state_name(SUM_Integration::STATE_COUNT), nullptr);
  EXPECT_STREQ(SUM_Integration::state_name(SUM_Integration::CANCELLED), "cancelled");
  EXPECT_EQ(SUM_Integration::is_deliver_map(SUM_Integration::deliver_map()), 1);
  EXPECT_EQ(SUM_Integration::is_deliver_map(SUM_Integration::rebase_map()), 0);

  // A start time of 0 restores with a warning and prints as unknown.
  ASSERT_EQ(dev.set_pvar("ZEM_DELIVER", "ver=3\nowner=me\nstart=0\nstate=cancelled\n", 0, nullptr),
            0);
  RecordOnly op;
  ASSERT_EQ(op.restart(dev), 0);
  ImsgCapture capture;
  ASSERT_EQ(op.restore_from_pvar(0), 0);
  EXPECT_TRUE(has(capture.joined(IMSG_WARNING), "Unable to read operation start time \"0\"."));
  op.print_details_common();
  std::string printed = capture.joined(IMSG_INFO);
  EXPECT_TRUE(has(printed, "Integration operation in progress on stream \"dev@/pvob\"\n"))
      << printed;
  EXPECT_TRUE(has(printed, "Operation is currently being canceled")) << printed;
  EXPECT_TRUE(has(printed, "    Started by \"me\" at unknown time\n")) << printed;
  EXPECT_TRUE(has(printed, "    The integration activity has not been created.\n"));
  EXPECT_TRUE(has(printed, "    The target view has not been specified.\n"));

  // Outcome codes: which print, and what they return.
  ImsgCapture codes;
  EXPECT_EQ(op.record_status(SUM_Integration::ST_NO_OPERATION), SUM_NOT_FOUND);
  EXPECT_EQ(op.record_status(SUM_Integration::ST_VIEW_MUST_RELOAD), SUM_OK);
  EXPECT_EQ(op.record_status(SUM_Integration::ST_CHECKOUTS_AFTER_UNDO), SUM_FAILED);
  EXPECT_EQ(codes.joined(IMSG_ERROR), "");
  EXPECT_EQ(op.record_status(SUM_Integration::ST_BEING_CANCELLED), SUM_FAILED);
  EXPECT_EQ(op.record_status(60), SUM_FAILED);
  EXPECT_EQ(codes.joined(IMSG_ERROR),
            "Integration from stream \"dev\" is currently being\ncanceled.  You must use "
            "'integration -cancel'.\nInternal Err: Unknown integration error.\n");
}

}  // namespace
