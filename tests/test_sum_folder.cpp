// SUM_Folder and SUM_ActivityBase on a PVOB of each storage form: creation,
// names, titles, moves, removal refusals, walks and trigger refusals.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_trig.h"
#include "sum/sum_activity_base.h"
#include "sum/sum_folder.h"
#include "support/checks.h"
#include "vob_zem_fixture.h"

namespace {

using test_support::fails_with;
using test_support::out;
using test_support::text;
using zem_test::ScopedEnv;

class SumFolderTest : public zem_test::ZemTest {
 protected:
  // Both storage forms: first-class (level 8) and activity-based (level 6).
  std::vector<SUM_Vob> pvobs() const { return {SUM_Vob(fc), SUM_Vob(old)}; }

  SUM_Folder root(const SUM_Vob& vob) {
    SUM_Folder r = out(vob, &SUM_Vob::root_folder);
    EXPECT_EQ(out(r, &SUM_Folder::is_root), 1);
    return r;
  }
  SUM_Folder make(const char* name, const SUM_Folder& parent, const char* title = "") {
    SUM_Folder f;
    EXPECT_EQ(SUM_Folder::create(name, "made", parent, title, f), 0) << name;
    return f;
  }
  static std::vector<std::string> names(SUM_Folder::SubfolderIter* raw) {
    std::unique_ptr<SUM_Folder::SubfolderIter> it(raw);
    std::vector<std::string> found;
    for (it->first(); !it->is_done(); it->next()) {
      SUM_Folder f;
      EXPECT_EQ(it->current_item(f), 0);
      found.push_back(text(f, &SUM_Folder::name));
    }
    EXPECT_EQ(it->status(), 0);
    return found;
  }
  static std::string tag_of(const SUM_Vob& vob) { return text(vob, &SUM_Vob::tag); }
  ScopedEnv admin{"KORVANE_USER", "vobadmin"};
};

TEST_F(SumFolderTest, CreateTitlesAndParentsInBothForms) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    SUM_Folder top = make("tools", root(vob), "Tool chain");
    ASSERT_FALSE(top.is_null());
    EXPECT_EQ(SUM_Folder::convert(top).dbid(), top.dbid()) << "a created folder converts";
    EXPECT_EQ(text(top, &SUM_Folder::title), "Tool chain");

    SUM_Folder sub;
    ASSERT_EQ(top.create_subfolder("compilers", "", nullptr, sub), 0);
    EXPECT_EQ(text(sub, &SUM_Folder::title), "compilers") << "no title reads as the name";
    ASSERT_EQ(sub.set_title("C and C++", "retitle"), 0);
    EXPECT_EQ(text(sub, &SUM_Folder::title), "C and C++");

    EXPECT_EQ(out(sub, &SUM_Folder::parent_folder), top);
    SUM_Folder parent;
    EXPECT_EQ(root(vob).parent_folder(parent), 1002);
    EXPECT_EQ(out(top, &SUM_Folder::is_root), 0);

    SUM_Folder found;
    ASSERT_EQ(SUM_Folder::construct_from_selector("compilers", vob, found), 0);
    EXPECT_EQ(found, sub);
  }
}

TEST_F(SumFolderTest, NamesMustBeLegalAndUnique) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    SUM_Folder a = make("alpha", root(vob));
    SUM_Folder b = make("beta", a);
    zem_test::ImsgCapture capture;
    SUM_Folder dup;
    EXPECT_EQ(SUM_Folder::create("alpha", "", b, "", dup), 1001) << "unique in the whole PVOB";
    EXPECT_TRUE(dup.is_null());
    EXPECT_EQ(SUM_Folder::create("bad name", "", a, "", dup), 1001);
    EXPECT_EQ(b.set_name("alpha", ""), 1001);
    EXPECT_EQ(b.set_name("12", ""), 1001) << "numbers would read as ids";
    EXPECT_NE(capture.joined(IMSG_ERROR).find("The name is already in use."), std::string::npos);

    ASSERT_EQ(b.set_name("gamma", "rename"), 0);
    EXPECT_EQ(text(b, &SUM_Folder::name), "gamma");
    ASSERT_EQ(sum_folder_set_name(("gamma@" + tag_of(vob)).c_str(), "delta", ""), 0);
    EXPECT_EQ(text(b, &SUM_Folder::name), "delta");
    EXPECT_NE(sum_folder_set_name("nosuch@/pvob8", "x", ""), 0);
  }
}

TEST_F(SumFolderTest, MovingAndItsRefusals) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    SUM_Folder a = make("a", root(vob));
    SUM_Folder b = make("b", a);
    SUM_Folder c = make("c", root(vob));
    ASSERT_EQ(b.change_parent(c, "move"), 0);
    EXPECT_EQ(out(b, &SUM_Folder::parent_folder), c);
    EXPECT_EQ(names(a.subfolders()), std::vector<std::string>{});
    EXPECT_EQ(names(c.subfolders()), std::vector<std::string>{"b"});

    zem_test::ImsgCapture capture;
    EXPECT_EQ(c.change_parent(b, ""), 1001) << "below itself";
    EXPECT_EQ(c.change_parent(c, ""), 1001) << "into itself";
    EXPECT_EQ(root(vob).change_parent(a, ""), 1001) << "the root folder stays";
    EXPECT_EQ(out(b, &SUM_Folder::parent_folder), c);
    EXPECT_EQ(b.change_parent(SUM_Folder(), ""), 1072);
  }
}

TEST_F(SumFolderTest, RemovalRefusalsAndRemoval) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    SUM_Folder a = make("a", root(vob));
    SUM_Folder b = make("b", a);
    SUM_Folder guarded = make("guarded", root(vob));
    vob_trtype_create_args_t args;
    args.name = "watch";
    args.ops = {VOB_OP_MKFOLDER};
    args.command = "true";
    args.restrict_to = {vob_trig_obj_t{vob.handle(), guarded.dbid(), nullptr}};
    ASSERT_EQ(vob_trtype_create(vob.handle(), args, nullptr), 0);

    zem_test::ImsgCapture capture;
    for (const SUM_Folder& refused : {root(vob), a, guarded})
      EXPECT_EQ(out(refused, &SUM_Folder::ok_to_destroy), 0);
    EXPECT_EQ(capture.texts(IMSG_ERROR),
              (std::vector<std::string>{
                  "Cannot remove folder that has sub projects or folders.\n",
                  "Cannot remove folder that has sub projects or folders.\n",
                  "Can't delete folder \"guarded@" + tag_of(vob) +
                      "\" because of references to it in trigger type restriction lists.\n"}))
        << "the root folder holds the others, so its children are named first";
    capture.clear();
    EXPECT_EQ(guarded.destroy(""), 1001);
    EXPECT_FALSE(guarded.is_null()) << "a refused removal keeps the handle";

    SUM_Folder lone = make("lone", root(vob));
    SUM_Folder root_of_empty = root(vob);
    ASSERT_EQ(b.destroy("gone"), 0);
    EXPECT_TRUE(b.is_null());
    EXPECT_EQ(out(a, &SUM_Folder::has_projects_or_subfolders), 0);
    ASSERT_EQ(a.destroy(""), 0);
    ASSERT_EQ(lone.destroy(""), 0);
    EXPECT_EQ(names(root_of_empty.subfolders()), std::vector<std::string>{"guarded"});
  }
}

TEST_F(SumFolderTest, EmptyRootFolderIsStillRefused) {
  SUM_Folder r = root(SUM_Vob(fc));
  int ok = 1;
  EXPECT_TRUE(fails_with(0, "Cannot remove root folder.\n", [&] { return r.ok_to_destroy(ok); }));
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(r.destroy(""), 1001);
}

TEST_F(SumFolderTest, WalksCrossChunkBoundariesAndSeparateKinds) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    SUM_Folder top = make("top", root(vob));
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
      std::string n = "f" + std::to_string(i);
      make(n.c_str(), top);
      expected.push_back(n);
    }
    // One project beside the folders.
    tbs_dbid_t prj = 0;
    if (vob.supports_fc_objs()) {
      prj = project("p1", top.dbid());
    } else {
      prj = act("p1", project_type, top.dbid());
    }
    EXPECT_EQ(names(top.subfolders()), expected) << "40 folders, chunks of 32, no project";
    std::unique_ptr<SUM_Folder::ProjectsInFolderIter> projects(top.projects());
    std::vector<tbs_dbid_t> seen;
    for (projects->first(); !projects->is_done(); projects->next()) {
      SUM_VobObject item;
      ASSERT_EQ(projects->current_item(item), 0);
      seen.push_back(item.dbid());
    }
    EXPECT_EQ(seen, std::vector<tbs_dbid_t>{prj});
    SUM_VobObject none;
    zem_test::ImsgCapture capture;
    EXPECT_EQ(projects->current_item(none), 1072) << "no item once done";
    std::unique_ptr<SUM_Folder::ProjectTemplatesInFolderIter> templates(top.project_templates());
    templates->first();
    EXPECT_EQ(templates->is_done(), 1) << "an ordinary project is not a template";
  }
}

TEST_F(SumFolderTest, TemplateWalkFindsTheTemplateProject) {
  tbs_dbid_t holder = test_support::wk_obj(old, VOB_WK_TEMPLATE_HOLDER);
  tbs_dbid_t tmpl = act("tmpl", project_type, holder);
  std::unique_ptr<SUM_Folder::ProjectTemplatesInFolderIter> it(
      SUM_Folder(SUM_Vob(old), holder).project_templates());
  it->first();
  ASSERT_EQ(it->is_done(), 0);
  SUM_VobObject item;
  ASSERT_EQ(it->current_item(item), 0);
  EXPECT_EQ(item.dbid(), tmpl);

  tbs_dbid_t fc_tmpl = project("fctmpl", fc_root);
  SUM_String univ = out(SUM_VobObject(SUM_Vob(fc), fc_tmpl), &SUM_VobObject::univ_selector);
  SUM_VobObject fc_holder;
  ASSERT_EQ(SUM_Vob(fc).wk_obj(VOB_WK_TEMPLATE_HOLDER, fc_holder), 0);
  ASSERT_EQ(SUM_ActivityBase(fc_holder.vob(), fc_holder.dbid())
                .set_pvar("SUM_TEMPLATE_PROJECT", univ, 0, ""),
            0);
  project("plain", fc_root);
  std::unique_ptr<SUM_Folder::ProjectTemplatesInFolderIter> fc_it(
      root(SUM_Vob(fc)).project_templates());
  std::vector<tbs_dbid_t> seen;
  for (fc_it->first(); !fc_it->is_done(); fc_it->next()) {
    ASSERT_EQ(fc_it->current_item(item), 0);
    seen.push_back(item.dbid());
  }
  EXPECT_EQ(seen, std::vector<tbs_dbid_t>{fc_tmpl});
}

TEST_F(SumFolderTest, PreOperationTriggerRefusesCreation) {
  for (const SUM_Vob& vob : pvobs()) {
    SCOPED_TRACE(vob.supports_fc_objs() ? "first-class" : "activity-based");
    vob_trtype_create_args_t args;
    args.name = "no_folders";
    args.ops = {VOB_OP_MKFOLDER};
    args.command = "exit 3";
    ASSERT_EQ(vob_trtype_create(vob.handle(), args, nullptr), 0);
    zem_test::ImsgCapture capture;
    SUM_Folder f;
    EXPECT_NE(SUM_Folder::create("refused", "", root(vob), "", f), 0);
    EXPECT_TRUE(f.is_null());
    SUM_Folder looked;
    EXPECT_NE(SUM_Folder::construct_from_selector("refused", vob, looked), 0) << "nothing was made";
    EXPECT_EQ(names(root(vob).subfolders()), std::vector<std::string>{});
  }
}

TEST_F(SumFolderTest, NullHandlesAreInternalErrors) {
  zem_test::ImsgCapture capture;
  SUM_Folder null;
  SUM_String text;
  int flag = 0;
  EXPECT_EQ(null.title(text), 1072);
  EXPECT_EQ(null.set_name("x", ""), 1072);
  EXPECT_EQ(null.is_root(flag), 1072);
  EXPECT_EQ(null.ok_to_destroy(flag), 1072);
  EXPECT_EQ(null.destroy(""), 1072);
  EXPECT_EQ(null.subfolders(), nullptr);
  SUM_Folder out;
  EXPECT_EQ(SUM_Folder::create("x", "", null, "", out), 1072);
  EXPECT_EQ(SUM_ActivityBase().pvar("X", text), 1072);
}

// ---- SUM_ActivityBase -----------------------------------------------------------------

TEST_F(SumFolderTest, ActivityBaseMembersOfTheActivityForm) {
  SUM_Vob vob(old);
  tbs_dbid_t holder = act("holder", folder_type, old_root, "");
  SUM_ActivityBase base(vob, holder);
  EXPECT_EQ(text(base, &SUM_ActivityBase::title), "holder");
  ASSERT_EQ(base.set_title("Holder title", "t", 108), 0);
  EXPECT_EQ(text(base, &SUM_ActivityBase::title), "Holder title");
  EXPECT_EQ(latest(old, holder).opcode, 108);

  EXPECT_EQ(out(base, &SUM_ActivityBase::type_object).dbid(), folder_type);
  EXPECT_EQ(out(base, &SUM_ActivityBase::parent).dbid(), old_root);
  SUM_ActivityBase parent;
  EXPECT_EQ(SUM_ActivityBase(vob, old_root).parent(parent), 1002);
  EXPECT_EQ(out(base, &SUM_ActivityBase::has_children), 0);
  SUM_ActivityBase made;
  ASSERT_EQ(SUM_ActivityBase::common_create(vob, "", "Nightly build jobs",
                                            SUM_VobObject(vob, folder_type), base, "", 107, made),
            0);
  EXPECT_EQ(text(made, &SUM_ActivityBase::name), "Nightly_build_jobs")
      << "a name made from the title";
  EXPECT_EQ(out(base, &SUM_ActivityBase::has_children), 1);
  const SUM_ActivityInfo* info = nullptr;
  ASSERT_EQ(made.info(info), 0);
  EXPECT_EQ(info->flags() & VOB_ACT_FLAG_ACTIVE, 0u) << "not active until made so";
  ASSERT_EQ(made.make_active("", 108), 0);
  ASSERT_EQ(made.info(info), 0);
  EXPECT_NE(info->flags() & VOB_ACT_FLAG_ACTIVE, 0u);

  std::unique_ptr<SUM_ActivityBaseIter> kids(base.children());
  kids->first();
  ASSERT_EQ(kids->is_done(), 0);
  SUM_ActivityBase kid;
  ASSERT_EQ(kids->current_item(kid), 0);
  EXPECT_EQ(kid, made);
  kids->next();
  EXPECT_EQ(kids->is_done(), 1);

  ASSERT_EQ(made.reparent(SUM_ActivityBase(vob, old_root), "", 108), 0);
  EXPECT_EQ(out(made, &SUM_ActivityBase::parent).dbid(), old_root);
  zem_test::ImsgCapture capture;
  EXPECT_EQ(made.reparent(SUM_ActivityBase(SUM_Vob(fc), fc_root), "", 108), 1001) << "another VOB";
  ASSERT_EQ(made.destroy_util("", 109), 0);
  EXPECT_EQ(out(made, &SUM_ActivityBase::exists), 0);
}

TEST_F(SumFolderTest, ActivityBaseOpcodesDropBelowLevelFour) {
  vob_vob_h v3 = make_vob("/pvob3", true, 3);
  tbs_dbid_t root3 = 0, type3 = 0;
  ASSERT_EQ(vob_ob_get_wk_obj(v3, VOB_WK_ROOT_FOLDER, &root3), 0);
  ASSERT_EQ(vob_ob_get_wk_obj(v3, VOB_WK_FOLDER_TYPE, &type3), 0);
  SUM_ActivityBase made;
  ASSERT_EQ(
      SUM_ActivityBase::common_create(SUM_Vob(v3), "old", "", SUM_VobObject(SUM_Vob(v3), type3),
                                      SUM_VobObject(SUM_Vob(v3), root3), "", 107, made),
      0);
  EXPECT_EQ(latest(v3, made.dbid()).opcode, 0);
  ASSERT_EQ(made.set_title("t", "", 108), 0);
  EXPECT_EQ(latest(v3, made.dbid()).opcode, 0);
}

TEST_F(SumFolderTest, ActivityBaseFirstClassFormRefusesActivityMembers) {
  zem_test::ImsgCapture capture;
  SUM_ActivityBase fc_obj(SUM_Vob(fc), fc_root);
  SUM_String text;
  int flag = 0;
  SUM_ActivityBase other;
  const SUM_ActivityInfo* info = nullptr;
  EXPECT_EQ(fc_obj.title(text), 1072);
  EXPECT_EQ(fc_obj.set_title("x", "", 0), 1072);
  EXPECT_EQ(fc_obj.parent(other), 1072);
  EXPECT_EQ(fc_obj.has_children(flag), 1072);
  EXPECT_EQ(fc_obj.info(info), 1072);
  EXPECT_EQ(fc_obj.make_active("", 0), 1072);
  EXPECT_EQ(fc_obj.children(), nullptr);

  // Process variables work in both forms.
  for (SUM_ActivityBase obj : {fc_obj, SUM_ActivityBase(SUM_Vob(old), old_root)}) {
    auto note = [&] {
      EXPECT_EQ(obj.pvar("NOTE", text), 0);
      return std::string(text);
    };
    EXPECT_EQ(note(), "") << "missing reads empty";
    ASSERT_EQ(obj.set_pvar("NOTE", "one", 0, ""), 0);
    EXPECT_EQ(note(), "one");

    EXPECT_EQ(obj.test_pvar("NOTE", "one"), 0);
    EXPECT_EQ(obj.test_and_set_pvar("NOTE", "two", "three", 0), 1087);
    ASSERT_EQ(obj.test_and_set_pvar("NOTE", "one", "two", 0), 0);
    ASSERT_EQ(obj.delete_pvar("NOTE", 0), 0);
    ASSERT_EQ(obj.pvar_exists("NOTE", flag), 0);
    EXPECT_EQ(flag, 0);
  }
}

}  // namespace
