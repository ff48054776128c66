#include "user_only.h"
#include <sddl.h>
#include <aclapi.h>
#include "textbuf.h"

// The token's information of the class into buffer; FALSE when it does not fit.
static BOOL TokenInfo(TOKEN_INFORMATION_CLASS what, void *buffer, DWORD size)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    DWORD needed = 0;
    BOOL ok = GetTokenInformation(token, what, buffer, size, &needed);
    CloseHandle(token);
    return ok;
}

// A SID is at most 68 bytes; with TOKEN_USER's header 128 bytes suffice.
enum { TOKEN_SID_BUFFER = 128 };

PSECURITY_DESCRIPTOR NewUserOnlyDescriptor(const char *policy, const char *level)
{
    union { TOKEN_USER user; BYTE bytes[TOKEN_SID_BUFFER]; } info;
    if (!TokenInfo(TokenUser, &info, sizeof(info)))
        return NULL;
    char *sid = NULL;
    if (!ConvertSidToStringSidA(info.user.User.Sid, &sid))
        return NULL;
    // Owner and both grants name the user explicitly: the owner a process
    // gives by default is not always the user (a group under an elevated
    // token, and on some systems always), and the owner is what a later
    // start checks. P: no access inherited from anywhere.
    char text[512];
    BOOL built = BufJoin(text, COUNTOF(text), "O:", sid) && BufJoin(text, COUNTOF(text), text, "D:P(A;;GA;;;") &&
                 BufJoin(text, COUNTOF(text), text, sid) && BufJoin(text, COUNTOF(text), text, ")(A;;GA;;;SY)S:(ML;;") &&
                 BufJoin(text, COUNTOF(text), text, policy) && BufJoin(text, COUNTOF(text), text, ";;;") &&
                 BufJoin(text, COUNTOF(text), text, level) && BufJoin(text, COUNTOF(text), text, ")");
    LocalFree(sid);
    PSECURITY_DESCRIPTOR sd = NULL;
    if (!built || !ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &sd, NULL))
        return NULL;
    return sd;
}

BOOL OwnedByCurrentUser(HANDLE object)
{
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, NULL, NULL, NULL, &sd) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL ours = FALSE;
    union { TOKEN_USER user; BYTE bytes[TOKEN_SID_BUFFER]; } user;
    union { TOKEN_OWNER owner; BYTE bytes[TOKEN_SID_BUFFER]; } byDefault;
    if (owner && IsValidSid(owner)) {
        ours = (TokenInfo(TokenUser, &user, sizeof(user)) && EqualSid(owner, user.user.User.Sid)) ||
               (TokenInfo(TokenOwner, &byDefault, sizeof(byDefault)) && EqualSid(owner, byDefault.owner.Owner));
    }
    LocalFree(sd);
    return ours;
}

// The last part of a mandatory label's SID: its level (0x2000 medium).
static DWORD LevelOfSid(PSID sid)
{
    if (!sid || !IsValidSid(sid))
        return 0;
    UCHAR parts = *GetSidSubAuthorityCount(sid);
    return parts ? *GetSidSubAuthority(sid, parts - 1) : 0;
}

DWORD OwnIntegrityLevel()
{
    union { TOKEN_MANDATORY_LABEL label; BYTE bytes[TOKEN_SID_BUFFER]; } info;
    return TokenInfo(TokenIntegrityLevel, &info, sizeof(info)) ? LevelOfSid(info.label.Label.Sid) : 0;
}

DWORD LabelLevelOf(HANDLE object)
{
    PACL sacl = NULL;
    PSECURITY_DESCRIPTOR sd = NULL;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, NULL, NULL, NULL, &sacl, &sd) !=
        ERROR_SUCCESS)
        return 0;
    DWORD level = 0;
    for (DWORD i = 0; sacl && i < sacl->AceCount && !level; i++) {
        ACE_HEADER *ace = NULL;
        if (GetAce(sacl, i, (void **)&ace) && ace->AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE)
            level = LevelOfSid((PSID)&((SYSTEM_MANDATORY_LABEL_ACE *)ace)->SidStart);
    }
    LocalFree(sd);
    return level;
}
