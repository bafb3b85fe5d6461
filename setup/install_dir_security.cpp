// The access rights of a newly created install directory. Without them a
// directory made at a drive root inherits "modify" for every signed-in user,
// who could then replace the program that the elevated installer starts and
// that the uninstall entry names. Administrators own it: an owner may always
// rewrite the DACL, and the creating account would otherwise be the owner.
#include "install_dir_security.h"

enum {
    kSidCount = 3,
    // An ACE ends with its SID in place of its SidStart member.
    kAceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE,
    kAclSize = sizeof(ACL) + kSidCount * kAceSize
};

static const DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
static const DWORD kInheritedBelow = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

static DWORD sidBuffers[kSidCount][SECURITY_MAX_SID_SIZE / sizeof(DWORD)];
static DWORD aclBuffer[(kAclSize + sizeof(DWORD) - 1) / sizeof(DWORD)];
static SECURITY_DESCRIPTOR descriptor;
static SECURITY_ATTRIBUTES attributes;

// Appends an allow entry for a well-known account to the ACL.
static int AllowWellKnown(int slot, WELL_KNOWN_SID_TYPE account, DWORD rights)
{
    PSID sid = sidBuffers[slot];
    DWORD sidSize = sizeof sidBuffers[slot];
    if (!CreateWellKnownSid(account, NULL, sid, &sidSize))
        return 0;
    return AddAccessAllowedAceEx(reinterpret_cast<PACL>(aclBuffer), ACL_REVISION, kInheritedBelow, rights,
                                 sid) != 0;
}

SECURITY_ATTRIBUTES *InstallDirSecurity(void)
{
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    if (!InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) ||
        !AllowWellKnown(0, WinLocalSystemSid, FILE_ALL_ACCESS) ||
        !AllowWellKnown(1, WinBuiltinAdministratorsSid, FILE_ALL_ACCESS) ||
        !AllowWellKnown(2, WinBuiltinUsersSid, kReadAndExecute))
        return NULL;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, sidBuffers[1], FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return NULL;
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    return &attributes;
}

int32_t SecureExistingDirectory(HANDLE dir)
{
    // Set on the directory alone: the files below keep their own rights, and
    // those the install writes get the descriptor explicitly.
    SECURITY_ATTRIBUTES *security = InstallDirSecurity();
    return security != NULL &&
           SetKernelObjectSecurity(dir, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   security->lpSecurityDescriptor) != 0;
}
