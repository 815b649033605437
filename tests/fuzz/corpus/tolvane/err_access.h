struct {
public x;
};
