// The kinds the engine itself tells apart: a thread's role and the at-most-k
// encodings of the upper-bound thread's objective bound. The option values
// (-enc-ub=) are the enumerators' numbers.
#pragma once

// What a search thread does: thread 0 raises the lower bound with cores,
// thread 1 lowers the upper bound model by model.
enum class Role { LowerBound = 0, UpperBound = 1 };

// At-most-k encodings of the objective bound (-enc-ub=), in option-value order.
enum AtMostK : int { amkPb = 0, amkSequential = 1, amkTotalizer = 2, amkSorters = 3, amkDyn = 4 };
const int nbAtMostK = amkDyn + 1;
