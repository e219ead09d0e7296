// The list classes of handles and values: every one is SUM_List of its
// element. Element classes are only declared here, so that any header may
// name a list type; code that builds or reads a list includes the element's
// own header as well.
#ifndef SUM_SUM_LISTS_H
#define SUM_SUM_LISTS_H

#include "services/tbs.h"
#include "services/vob.h"
#include "sum/sum_list.h"

class SUM_Activity;
class SUM_ActivityBase;
class SUM_AVMap;
class SUM_Baseline;
class SUM_BaselineDependency;
class SUM_BaselineVR;
class SUM_BranchType;
class SUM_ChangeSetElement;
class SUM_Component;
class SUM_Element;
class SUM_FileSystemObject;
class SUM_Folder;
class SUM_FoundBL;
class SUM_FoundConflict;
class SUM_FoundationChange;
class SUM_Hyperlink;
class SUM_LabelType;
class SUM_ModCnt;
class SUM_NamedObject;
class SUM_Oid;
class SUM_PLevel;
class SUM_Policy;
class SUM_Project;
class SUM_Stream;
class SUM_String;
class SUM_Task;
class SUM_Timeline;
class SUM_TimelineEntry;
class SUM_TKEntityID;
class SUM_Uuid;
class SUM_Version;
class SUM_View;
class SUM_VirtualBaseline;
class SUM_VirtualConfig;
class SUM_Vob;
class SUM_VobObject;
struct ImsgWithType;
class BaselineDiff;
class BlCompDiff;
class DependentDiff;
class LatestVersion;
class TimelineOffsetPair;
class VerNum;
class XML_Element;
class XML_Token;

using SUM_ActivityList = SUM_List<SUM_Activity>;
using SUM_ActivityBaseList = SUM_List<SUM_ActivityBase>;
using SUM_AVMapList = SUM_List<SUM_AVMap>;
using SUM_BaselineList = SUM_List<SUM_Baseline>;
using SUM_BaselineDependencyList = SUM_List<SUM_BaselineDependency>;
using SUM_BaselineVRList = SUM_List<SUM_BaselineVR>;
using SUM_BranchTypeList = SUM_List<SUM_BranchType>;
using SUM_ChangeSetElementList = SUM_List<SUM_ChangeSetElement>;
using SUM_ComponentList = SUM_List<SUM_Component>;
using SUM_ElementList = SUM_List<SUM_Element>;
using SUM_FileSystemObjectList = SUM_List<SUM_FileSystemObject>;
using SUM_FolderList = SUM_List<SUM_Folder>;
using SUM_FoundBLList = SUM_List<SUM_FoundBL>;
using SUM_FoundConflictList = SUM_List<SUM_FoundConflict>;
using SUM_FoundationChangeList = SUM_List<SUM_FoundationChange>;
using SUM_HyperlinkList = SUM_List<SUM_Hyperlink>;
using SUM_LabelTypeList = SUM_List<SUM_LabelType>;
using SUM_ModCntList = SUM_List<SUM_ModCnt>;
using SUM_NamedObjectList = SUM_List<SUM_NamedObject>;
using SUM_OidList = SUM_List<SUM_Oid>;
using SUM_PLevelList = SUM_List<SUM_PLevel>;
using SUM_PolicyList = SUM_List<SUM_Policy>;
using SUM_ProjectList = SUM_List<SUM_Project>;
using SUM_StreamList = SUM_List<SUM_Stream>;
using SUM_StringList = SUM_List<SUM_String>;
using SUM_TaskList = SUM_List<SUM_Task>;
using SUM_TimelineEntryList = SUM_List<SUM_TimelineEntry>;
using SUM_TimelineList = SUM_List<SUM_Timeline>;
using SUM_UuidList = SUM_List<SUM_Uuid>;
using SUM_VersionList = SUM_List<SUM_Version>;
using SUM_ViewList = SUM_List<SUM_View>;
using SUM_VirtualBaselineList = SUM_List<SUM_VirtualBaseline>;
using SUM_VirtualConfigList = SUM_List<SUM_VirtualConfig>;
using SUM_VobList = SUM_List<SUM_Vob>;
using SUM_VobObjectList = SUM_List<SUM_VobObject>;
// Names of the tracker's activity record types, and tracker record ids.
using SUM_TKEntityDefNameList = SUM_List<SUM_String>;
using SUM_TKEntityIDList = SUM_List<SUM_TKEntityID>;
// Captured messages (ImsgWithType is defined in sum_imsg.h).
using ImsgWithTypeList = SUM_List<ImsgWithType>;
using BaselineDiffList = SUM_List<BaselineDiff>;
using BlCompDiffList = SUM_List<BlCompDiff>;
using DependentDiffList = SUM_List<DependentDiff>;
using LatestVersionList = SUM_List<LatestVersion>;
using TimelineOffsetPairList = SUM_List<TimelineOffsetPair>;
using VerNumList = SUM_List<VerNum>;
using XML_ElementList = SUM_List<XML_Element>;
using XML_TokenList = SUM_List<XML_Token>;
// Database ids and repository VOB handles.
using tbs_dbid_tList = SUM_List<tbs_dbid_t>;
using vob_vob_h_tList = SUM_List<vob_vob_h>;

#endif  // SUM_SUM_LISTS_H
