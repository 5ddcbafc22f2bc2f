// The sign-in dialog of an OAuth 2.0 account, opened by "Sign in..." of its
// settings window and modal to it: the endpoints, scopes and application
// to sign in with, "Sign in", which runs the browser sign-in on a worker
// thread, and the outcome in words. The sign-in ends by itself within its
// bound; Cancel and closing the dialog end it early.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "format/oauth_grant.h"
#include "profiles/profiles.h"
#include "profiles/sign_in_fields.h"
#include "profiles/sign_in_ids.h"
#include "transport/oauth_sign_in.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"

namespace {

// Time enough to sign in at the provider's page, and no longer.
constexpr int sign_in_bound_ms = 5 * 60 * 1000;

// Shared by the dialog and its worker: the worker may outlive the dialog,
// which then forgets it (null dialog) instead of waiting.
struct SignInJob {
    SignInRequest request;
    std::atomic<bool> cancel{false};
    std::mutex lock;
    HWND dialog = nullptr;
    int result = -1;
    std::string error;
};

struct SignInState {
    SignInRequest account;  // server, user and login hint of the account
    SignInFields shown;
    std::shared_ptr<SignInJob> job;  // the sign-in running, if any
    bool done = false;
};

void sign_in_worker(void* argument) {
    auto* held = static_cast<std::shared_ptr<SignInJob>*>(argument);
    std::shared_ptr<SignInJob> job = std::move(*held);
    delete held;
    std::string error;
    int result = oauth_sign_in(job->request, job->cancel, sign_in_bound_ms, &error);
    std::lock_guard<std::mutex> hold(job->lock);
    job->result = result;
    job->error = error;
    if (job->dialog) post_command(job->dialog, CMD_SIGN_IN_ENDED);
}

void show_running(HWND dialog, bool running) {
    enable_controls(dialog, {IDC_AUTHORIZATION_ENDPOINT, IDC_TOKEN_ENDPOINT, IDC_SCOPES, IDC_CLIENT_ID,
                             IDC_CLIENT_SECRET, IDC_SIGN_IN_START},
                    !running);
    enable_control(dialog, IDC_SIGN_IN_CANCEL, running);
    focus_control(dialog, running ? IDC_SIGN_IN_CANCEL : IDC_SIGN_IN_START);
}

SignInFields read_fields(HWND dialog) {
    SignInFields fields;
    for (const SignInEdit& edit : sign_in_edits()) fields.*edit.text = edit_text(dialog, edit.control);
    return fields;
}

void start(HWND dialog, SignInState* state) {
    SignInFields fields = read_fields(dialog);
    fields.needs_client_secret = state->shown.needs_client_secret;
    FormRefusal refusal = check_sign_in_fields(fields);
    if (!refusal.text.empty()) {
        set_control_text(dialog, IDC_SIGN_IN_STATUS, refusal.text.c_str());
        focus_control(dialog, refusal.control);
        return;
    }
    auto job = std::make_shared<SignInJob>();
    job->request = state->account;
    job->request.authorization_endpoint = fields.authorization_endpoint;
    job->request.token_endpoint = fields.token_endpoint;
    job->request.scopes = fields.scopes;
    job->request.client_id = fields.client_id;
    job->request.client_secret = fields.client_secret;
    job->dialog = dialog;
    auto* handed = new std::shared_ptr<SignInJob>(job);
    if (!start_dialog_thread(sign_in_worker, handed)) {
        delete handed;
        return;
    }
    state->job = job;
    set_control_text(dialog, IDC_SIGN_IN_STATUS, "Waiting for the browser...");
    show_running(dialog, true);
}

void show_outcome(HWND dialog, SignInState* state) {
    if (!state->job) return;
    std::string words;
    {
        std::lock_guard<std::mutex> hold(state->job->lock);
        words = state->job->result == 0 ? "Signed in. The account receives and sends mail with this sign-in from now on."
                                        : state->job->error;
    }
    state->job.reset();
    set_control_text(dialog, IDC_SIGN_IN_STATUS, words.c_str());
    show_running(dialog, false);
}

// The dialog goes; a sign-in still running is cancelled and reports to no
// one.
void forget_job(SignInState* state) {
    if (!state->job) return;
    state->job->cancel = true;
    std::lock_guard<std::mutex> hold(state->job->lock);
    state->job->dialog = nullptr;
    state->job.reset();
}

INT_PTR CALLBACK sign_in_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<SignInState>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        state = take_dialog_state<SignInState>(dialog, lparam);
        for (const SignInEdit& edit : sign_in_edits())
            set_control_text(dialog, edit.control, (state->shown.*edit.text).c_str());
        set_control_text(dialog, IDC_SIGN_IN_STATUS, "Sign in opens the provider's page in your browser.");
        show_running(dialog, false);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_SIGN_IN_START: start(dialog, state); break;
        case IDC_SIGN_IN_CANCEL:
            if (state->job) state->job->cancel = true;
            break;
        case CMD_SIGN_IN_ENDED: show_outcome(dialog, state); break;
        case IDC_SIGN_IN_CLOSE:
        case IDCANCEL: close_owned_dialog(dialog); break;
        default: break;
        }
        return TRUE;
    case WM_CLOSE:
        close_owned_dialog(dialog);
        return TRUE;
    case WM_DESTROY:
        // Also when the settings window that owns it closes.
        if (state) {
            forget_job(state);
            state->done = true;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void run_sign_in_window(HWND owner, const SignInRequest& account, int provider_entry) {
    SignInState state;
    state.account = account;
    OAuthGrant grant;
    bool signed_in_before = oauth_grant_load(account.server.c_str(), account.user.c_str(), &grant) == 0;
    state.shown = sign_in_fields(provider_entry, signed_in_before ? &grant : nullptr);
    std::fill(grant.refresh_token.begin(), grant.refresh_token.end(), '\0');
    run_owned_dialog(owner, IDD_SIGN_IN, sign_in_procedure, &state, &state.done);
}
