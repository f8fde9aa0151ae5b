// The error codes of the distribution analysis and how they reach the user.
#pragma once

enum ContiErrorCode {
    kContiOk = 0,
    kNnlsIterations = 1,            // "max #iteration exceeded in NNLS"
    kNnlsNotPositiveDefinite = 2,   // "matrix not positive definite in NNLS"
    kRegularizationUnreachable = 3, // the chi-square increase cannot be reached
    kZbrentIterations = 4,          // the strength search ran out of iterations
    kRootNotBracketed = 5,          // the strength search lost its bracket
    kReplicateRegularization = 6,   // a regularization failure inside a Monte-Carlo replicate
};

// The text of a code; empty for kContiOk and unknown codes.
const char* ContiErrorText(int code);
// While a batch fit runs the code is stored in SerialFitState::errorCode; otherwise its text is
// shown in the error box. kContiOk does nothing.
void ReportContiError(int code);
