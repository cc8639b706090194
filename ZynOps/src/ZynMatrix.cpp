#include "ZynMatrix.h"

void ZynMatrixBase::checkProduct(const ZynMatrixBase& a, const ZynMatrixBase& b) {
    if (a.columns() == b.rows()) return;
    throw ZynError(600, "Matricies in a multiply have incompatibale dimensions:(" +
                            std::to_string(a.rows()) + " x " + std::to_string(a.columns()) +
                            ") versus (" + std::to_string(b.rows()) + " x " +
                            std::to_string(b.columns()) + ")");
}
