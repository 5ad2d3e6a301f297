#pragma once
// Every way in which the program reaches the machine, handed around as one bundle.
// The Win32 side provides the real implementations; tests provide fakes.

#include "platform/accounts.h"
#include "platform/client_processes.h"
#include "platform/code_page.h"
#include "platform/crash_watcher.h"
#include "platform/desktop.h"
#include "platform/event_log.h"
#include "platform/file_security.h"
#include "platform/files.h"
#include "platform/group_policy.h"
#include "platform/folders.h"
#include "platform/identity.h"
#include "platform/message_boxes.h"
#include "platform/network.h"
#include "platform/power.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/secret_store.h"
#include "platform/shell_links.h"
#include "platform/startup_programs.h"
#include "platform/window_list.h"

namespace lanthe {

struct Platform {
  IRegistry& registry;
  IProcesses& processes;
  IFileSystem& files;
  IIniFiles& ini;
  IFolders& folders;
  IIdentity& identity;
  IPower& power;
  IWindowList& windows;
  IMessageBoxes& messages;
  ICodePage& codePage;
  IGroupPolicy& groupPolicy;
  IAccounts& accounts;
  IShellLinks& shellLinks;
  ISecretStore& secrets;
  INetwork& network;
  IDesktop& desktop;
  IEventLog& events;
  IClock& clock;
  IStartupPrograms& startupPrograms;
  ICrashWatcher& crashWatcher;
  IFileSecurity& fileSecurity;
  IEventHistory& eventHistory;
  IClientProcesses& clientProcesses;
};

}  // namespace lanthe
