// The strict axpy-only model of the factorisation (strict_axpy_model.cpp).
#pragma once

void strict_axpy_model(float *a, int lda, int n);
