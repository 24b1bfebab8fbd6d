#pragma once

// The progress bar of an exchange.
class ProgressView
{
public:
    virtual ~ProgressView() = default;
    virtual int maximum() const = 0;
    virtual void setValue(int value) = 0;
};
