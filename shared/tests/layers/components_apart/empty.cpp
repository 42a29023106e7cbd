int layersEmpty()
{
    return 0;
}
