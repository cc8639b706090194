#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "ZynAttributeText.h"
#include "ZynDataType.h"
#include "ZynError.h"
#include "ZynNumberText.h"

// The shape of a matrix.
class ZynMatrixBase {
  public:
    ZynMatrixBase() = default;
    ZynMatrixBase(int rows, int columns) : rows_(rows), columns_(columns) {}

    int rows() const { return rows_; }
    int columns() const { return columns_; }

    bool operator==(const ZynMatrixBase&) const = default;

  protected:
    // ZynError 600 naming both shapes unless a's columns match b's rows.
    static void checkProduct(const ZynMatrixBase& a, const ZynMatrixBase& b);

  private:
    int rows_ = 0;
    int columns_ = 0;
};

// A matrix of T in row-major order. Text form: "ZynMatrix<float64>[2,2:1,0;0,1]" (rows, columns,
// then the values, ";" before each new row); "ZynMatrix<float64>[]" for an empty matrix.
template <class T>
class ZynMatrix : public ZynMatrixBase {
  public:
    ZynMatrix() = default;
    // ZynError 13 unless there are rows x columns values.
    ZynMatrix(int rows, int columns, std::vector<T> values)
        : ZynMatrixBase(rows, columns), values_(std::move(values)) {
        if (rows < 0 || columns < 0)
            throw ZynError(13, "Rows and columns must be positive values.");
        checkCount(rows, columns, values_.size());
    }

    static ZynMatrix identity(int n) {
        std::vector<T> values(static_cast<size_t>(n) * static_cast<size_t>(n), T(0));
        for (int i = 0; i < n; ++i) values[static_cast<size_t>(i) * (n + 1)] = T(1);
        return ZynMatrix(n, n, std::move(values));
    }

    const std::vector<T>& values() const { return values_; }
    const T& operator()(int row, int column) const {
        return values_[static_cast<size_t>(row) * columns() + column];
    }

    // ZynError 600 when the shapes do not fit.
    ZynMatrix operator*(const ZynMatrix& other) const {
        checkProduct(*this, other);
        std::vector<T> product(static_cast<size_t>(rows()) * other.columns(), T(0));
        for (int r = 0; r < rows(); ++r)
            for (int c = 0; c < other.columns(); ++c) {
                T sum = 0;
                for (int k = 0; k < columns(); ++k) sum += (*this)(r, k) * other(k, c);
                product[static_cast<size_t>(r) * other.columns() + c] = sum;
            }
        return ZynMatrix(rows(), other.columns(), std::move(product));
    }

    bool operator==(const ZynMatrix&) const = default;

    std::string toText() const {
        std::string text =
            std::string("ZynMatrix<") + zynDataTypeName(ZynDataTypeOf<T>::value) + ">[";
        if (rows() == 0 && columns() == 0) return text + "]";
        text += std::to_string(rows()) + "," + std::to_string(columns()) + ":";
        for (size_t i = 0; i < values_.size(); ++i) {
            if (i) text += i % static_cast<size_t>(columns()) == 0 ? ";" : ",";
            text += zynNumberText(static_cast<double>(values_[i]));
        }
        return text + "]";
    }

    // Skips up to the first "[" (within 256 characters); "]" right after it is the empty
    // matrix; otherwise rows, one separator, columns, one separator, then the values, each
    // followed by "," or ";" while more follow. ZynError 13 on anything else.
    static ZynMatrix fromText(const std::string& text) {
        const size_t open = text.find('[');
        if (open == std::string::npos || open > 256)
            throw ZynError(13, "Illegal value for ZynMatrix: " + text);
        std::istringstream in(text.substr(open + 1));
        if (in.peek() == ']') return {};
        int rows = 0, columns = 0;
        char separator = 0;
        if (!(in >> rows) || !in.get(separator) || !(in >> columns) || !in.get(separator))
            throw ZynError(13, "Illegal value for ZynMatrix: " + text);
        if (rows < 0 || columns < 0)
            throw ZynError(13, "Rows and columns must be positive values.");
        std::vector<T> values;
        if (rows > 0 && columns > 0) {
            do {
                T v;
                if (!(in >> v)) break;
                values.push_back(v);
            } while (in.get(separator) && (separator == ',' || separator == ';'));
        }
        checkCount(rows, columns, values.size());
        return ZynMatrix(rows, columns, std::move(values));
    }

  private:
    static void checkCount(int rows, int columns, size_t count) {
        const int64_t expected = int64_t{rows} * columns;
        if (static_cast<int64_t>(count) != expected)
            throw ZynError(13,
                           "Was expecting a matrix with " + std::to_string(expected) + " values.");
    }

    std::vector<T> values_;
};

template <>
struct ZynAttributeText<ZynMatrix<double>> {
    static std::string name() { return "ZynMatrix<float64>"; }
    static std::string toText(const ZynMatrix<double>& v) { return v.toText(); }
    static ZynMatrix<double> fromText(const std::string& text) {
        return ZynMatrix<double>::fromText(text);
    }
};
